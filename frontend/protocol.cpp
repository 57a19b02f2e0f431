#include "frontend/protocol.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <sstream>
#include <string_view>

#include "frontend/program.h"
#include "frontend/text_input.h"
#include "model/apply_move.h"
#include "model/move_text.h"
#include "rules/game_end.h"
#include "rules/legality.h"

namespace {

// How a command's arguments arrive: none, so that the next word is read on
// its own; the rest of its line; or the rest of its line only for a board
// that has announced version 2 (the first version read them word by word).
enum class Arguments { kNone, kLine, kLineFromVersion2 };

using Action = void (*)(const std::string& arguments, std::FILE* out, ProtocolSession* session);

// What a command does when it arrives while the engine thinks: it waits
// for the move (or ends the analysis, to be acted on and the analysis begun
// again on the new position), or, being a setting or a question that
// changes nothing in the game, it is acted on at once during an analysis.
enum class WhileThinking { kAfter, kAtOnceInAnalysis };

struct Command {
  std::string_view word;
  Arguments arguments;
  Action act;
  WhileThinking whileThinking = WhileThinking::kAfter;
};

constexpr std::string_view kTimeWord = "time";

// A mate in the thinking line: this much, plus the plies to it.
constexpr int kMateShown = 100000;
constexpr std::int64_t kMillisecondsPerCentisecond = 10;
constexpr std::int64_t kMillisecondsPerSecond = 1000;
constexpr std::int64_t kSecondsPerMinute = 60;
// The word that asks the engine to move now, with what it has found.
constexpr std::string_view kMoveNow = "?";
constexpr std::string_view kQuitWord = "quit";

bool SpeaksVersion2(const ProtocolSession& session) { return session.game.protocolVersion >= kFeatureProtocolVersion; }

// Errors are only for a board that reads replies.
void ReportError(std::FILE* out, const ProtocolSession& session, const char* what, const std::string& command) {
  if (SpeaksVersion2(session)) std::fprintf(out, "Error (%s): %s\n", what, command.c_str());
}

// After a move by `mover`, announces mate or stalemate.
void ReportGameEnd(std::FILE* out, const GameSession& game, char mover) {
  const int gameEnd = GameEnd(game);
  if (gameEnd == kCheckmate) {
    std::fputs(mover == kWhiteSide ? "1-0 {White mates}\n" : "0-1 {Black mates}\n", out);
  } else if (gameEnd == kStalemate) {
    std::fputs("1/2-1/2 {Stalemate}\n", out);
  }
}

// The other side's move, from its text: played when legal, refused otherwise.
void PlayOpponentMove(const std::string& text, std::FILE* out, ProtocolSession* session) {
  GameSession& game = session->game;
  Move move;
  if (!ReadLegalMove(game, text, &move)) {
    if (SpeaksVersion2(*session)) std::fprintf(out, "Illegal move: %s\n", text.c_str());
    return;
  }
  const char mover = SideToMove(game);
  PlayMove(&game, move, ParsePromotionLetter(text));
  ReportGameEnd(out, game, mover);
}

// Sets up a position the board has sent, or refuses it and keeps the game.
void SetUpIfPlayable(std::FILE* out, bool made, const Position& position, ProtocolSession* session) {
  if (!made || !IsPlayablePosition(&position.board, position.lastMove)) {
    std::fputs("tellusererror Illegal position\n", out);
    return;
  }
  SetPositionOrPlay(&session->game, position);
}

// The engine's thinking, as a board shows it: depth, score in centipawns for
// the side to move (a mate as kMateShown plus its distance), time in
// centiseconds, nodes, and the line. At the usual depth the line of a mate
// is played out and its plies are the distance; at the other depths the
// line is the move and the distance is the search's, in moves.
void WriteThinking(std::FILE* out, const GameSession& game, int level, const EngineChoice& choice) {
  int shown = 0;
  std::vector<Move> line{choice.move};
  if (level == kFullWidthDepth) {
    const int score = choice.report.score;
    line = ShownLine(game, choice, level);
    const int plies = static_cast<int>(line.size());
    shown = !IsMateScore(score) ? Centipawns(score) : score > 0 ? kMateShown + plies : -(kMateShown + plies);
  } else {
    const ShownScore score = ScoreToShow(choice.report, level, 0);
    shown = score.mateMoves == 0  ? score.centipawns
            : score.mateMoves > 0 ? kMateShown + score.mateMoves
                                  : -(kMateShown - score.mateMoves);
  }
  const int depth = level == kFullWidthDepth ? level : choice.report.depth;
  std::fprintf(out, "%d %d %lld %lld%s\n", depth, shown,
               static_cast<long long>(choice.milliseconds / kMillisecondsPerCentisecond),
               static_cast<long long>(choice.report.nodes), LineText(game, line).c_str());
}

// The words of a line, the first and the rest of the line after it.
void SplitLine(const std::string& line, std::string* word, std::string* rest) {
  std::istringstream words(line);
  words >> *word;
  std::getline(words >> std::ws, *rest);
  while (!rest->empty() && (rest->back() == '\r' || rest->back() == ' ' || rest->back() == '\t')) rest->pop_back();
}

bool IsAnalysing(const ProtocolSession& session) { return session.analysis == Analysis::kOn; }

// The board's clock for the engine's next move: with a number of moves to
// each time control, the moves left until the next one.
Clock ClockForMove(const ProtocolSession& session) {
  Clock clock = session.clock;
  if (session.movesPerControl > 0) {
    const int movesMade = static_cast<int>(session.game.earlier.size() / 2);
    clock.movesToGo = session.movesPerControl - movesMade % session.movesPerControl;
  }
  return clock;
}

// "stat01: time nodes ply mvleft mvtot mvname": the deepest iteration done,
// all of its moves searched.
void WriteStatus(std::FILE* out, const ProtocolSession& session, std::int64_t milliseconds) {
  const AnalysisProgress& progress = session.progress;
  const Position& position = session.game.position;
  const std::size_t moves = LegalMoves(&position.board, position.lastMove).size();
  std::fprintf(out, "stat01: %lld %lld %d 0 %zu", static_cast<long long>(milliseconds / kMillisecondsPerCentisecond),
               static_cast<long long>(progress.any ? progress.report.nodes : 0),
               progress.any ? progress.report.depth : 0, moves);
  if (progress.any) std::fprintf(out, " %s", MoveTextWithPromotion(&position.board, progress.move).c_str());
  std::fputs("\n", out);
}

void AcceptAndIgnore(const std::string&, std::FILE*, ProtocolSession*) {}

void New(const std::string&, std::FILE*, ProtocolSession* session) {
  StartNewGame(&session->game);
  SetDepth(&session->game, kFullWidthDepth);
  // An analysis goes on from the new game's start.
  if (IsAnalysing(*session)) session->game.mode = EngineMode::kForce;
}

// The program's own reading of these words: the engine plays the side named.
void White(const std::string&, std::FILE*, ProtocolSession* session) { session->game.engineSide = kWhiteSide; }
void Black(const std::string&, std::FILE*, ProtocolSession* session) { session->game.engineSide = kBlackSide; }

void Protover(const std::string& arguments, std::FILE* out, ProtocolSession* session) {
  long long version = 0;
  if (!ParseDecimal(arguments, &version) || version < kFeatureProtocolVersion) return;
  session->game.protocolVersion = static_cast<int>(std::min<long long>(version, INT_MAX));
  std::fputs(
      "feature myname=\"chess\" variants=\"normal\" setboard=1 ping=1 usermove=1 san=0 colors=0 sigint=0 "
      "analyze=1 draw=0 reuse=1 done=1\n",
      out);
}

void Force(const std::string&, std::FILE*, ProtocolSession* session) { session->game.mode = EngineMode::kForce; }

void Go(const std::string&, std::FILE*, ProtocolSession* session) {
  session->game.engineSide = SideToMove(session->game);
  session->game.mode = EngineMode::kPlays;
}

void PlayOther(const std::string&, std::FILE*, ProtocolSession* session) {
  session->game.engineSide = OtherSide(SideToMove(session->game));
  session->game.mode = EngineMode::kPlays;
}

void UserMove(const std::string& arguments, std::FILE* out, ProtocolSession* session) {
  if (arguments.empty()) {
    ReportError(out, *session, "no move given", "usermove");
    return;
  }
  PlayOpponentMove(arguments, out, session);
}

void Undo(const std::string&, std::FILE* out, ProtocolSession* session) {
  if (!TakeBack(&session->game, 1)) ReportError(out, *session, "no move to take back", "undo");
}

void Remove(const std::string&, std::FILE* out, ProtocolSession* session) {
  if (!TakeBack(&session->game, 2)) ReportError(out, *session, "no two moves to take back", "remove");
}

void SetBoard(const std::string& arguments, std::FILE* out, ProtocolSession* session) {
  Position position;
  const bool made = PositionFromFen(arguments, &position);
  SetUpIfPlayable(out, made, position, session);
}

void Edit(const std::string&, std::FILE*, ProtocolSession* session) {
  session->input = InputMode::kEditing;
  session->editBoard = session->game.position.board;
  session->editColour = kWhiteSide;
}

// Answered after everything before it, which is all done by now.
void Ping(const std::string& arguments, std::FILE* out, ProtocolSession*) {
  std::fprintf(out, arguments.empty() ? "pong\n" : "pong %s\n", arguments.c_str());
}

// The game is over: the engine plays neither side until told otherwise.
void Result(const std::string&, std::FILE*, ProtocolSession* session) { session->game.mode = EngineMode::kForce; }

void Post(const std::string&, std::FILE*, ProtocolSession* session) { session->game.thinking = Thinking::kShown; }
void NoPost(const std::string&, std::FILE*, ProtocolSession* session) { session->game.thinking = Thinking::kHidden; }

EngineChoice Think(ProtocolSession* session);

void Hint(const std::string&, std::FILE* out, ProtocolSession* session) {
  if (GameEnd(session->game) != kGameGoesOn) return;
  Move move = session->progress.move;
  if (!IsAnalysing(*session) || !session->progress.any) move = Think(session).move;
  std::fprintf(out, "Hint: %s\n", MoveTextWithPromotion(&session->game.position.board, move).c_str());
}

// "level MPS BASE INC": moves to each time control, the time for them in
// minutes or minutes:seconds, and the increment in seconds.
void Level(const std::string& arguments, std::FILE*, ProtocolSession* session) {
  std::istringstream words(arguments);
  std::string moves, base, increment;
  if (!(words >> moves >> base >> increment)) return;
  long long perControl = 0, minutes = 0, seconds = 0;
  double incrementSeconds = 0;
  const std::size_t colon = base.find(':');
  if (!ParseDecimal(moves, &perControl) || !ParseDecimal(base.substr(0, colon), &minutes) ||
      (colon != std::string::npos && !ParseDecimal(base.substr(colon + 1), &seconds))) {
    return;
  }
  std::istringstream(increment) >> incrementSeconds;
  constexpr long long kLongestGameMinutes = 1000000;
  minutes = std::clamp(minutes, 0LL, kLongestGameMinutes);
  seconds = std::clamp<long long>(seconds, 0, kSecondsPerMinute);
  incrementSeconds = std::clamp(incrementSeconds, 0.0, static_cast<double>(kLongestGameMinutes));
  session->movesPerControl = static_cast<int>(std::clamp(perControl, 0LL, static_cast<long long>(INT_MAX)));
  session->clock.leftMs = (minutes * kSecondsPerMinute + seconds) * kMillisecondsPerSecond;
  session->clock.incrementMs = static_cast<std::int64_t>(incrementSeconds * kMillisecondsPerSecond);
  session->clock.moveTimeMs = -1;
}

// "st T": T seconds for every move.
void SecondsPerMove(const std::string& arguments, std::FILE*, ProtocolSession* session) {
  long long seconds = 0;
  constexpr long long kLongestMoveSeconds = 1000000000;
  if (!ParseDecimal(arguments, &seconds)) return;
  session->clock.moveTimeMs = std::clamp(seconds, 0LL, kLongestMoveSeconds) * kMillisecondsPerSecond;
}

// "time N": the engine's clock, in centiseconds.
void Time(const std::string& arguments, std::FILE*, ProtocolSession* session) {
  long long centiseconds = 0;
  constexpr long long kLongestCentiseconds = 100000000000;
  if (!ParseDecimal(arguments, &centiseconds)) return;
  session->clock.leftMs = std::clamp<long long>(centiseconds, 0, kLongestCentiseconds) * kMillisecondsPerCentisecond;
}

void Analyze(const std::string&, std::FILE*, ProtocolSession* session) {
  session->analysis = Analysis::kOn;
  session->game.mode = EngineMode::kForce;
}

void ExitAnalysis(const std::string&, std::FILE*, ProtocolSession* session) { session->analysis = Analysis::kOff; }

// "." asks an analysis for its status.
void Status(const std::string&, std::FILE* out, ProtocolSession* session) {
  if (!IsAnalysing(*session)) {
    ReportError(out, *session, "unknown command", ".");
    return;
  }
  WriteStatus(out, *session, session->progress.milliseconds);
}

// A depth limit, the board's strength setting; a word that is no number
// changes nothing.
void Depth(const std::string& arguments, std::FILE*, ProtocolSession* session) {
  long long depth = 0;
  if (ParseDecimal(arguments, &depth)) SetDepth(&session->game, depth);
}

constexpr WhileThinking kAtOnce = WhileThinking::kAtOnceInAnalysis;

constexpr Command kCommands[] = {
    {"new", Arguments::kNone, New},
    {"white", Arguments::kNone, White},
    {"black", Arguments::kNone, Black},
    {"post", Arguments::kNone, Post, kAtOnce},
    {"nopost", Arguments::kNone, NoPost, kAtOnce},
    {"hard", Arguments::kNone, AcceptAndIgnore, kAtOnce},
    {"time", Arguments::kLineFromVersion2, Time, kAtOnce},
    {"otim", Arguments::kLineFromVersion2, AcceptAndIgnore, kAtOnce},
    {"protover", Arguments::kLine, Protover},
    {"force", Arguments::kNone, Force},
    {"go", Arguments::kNone, Go},
    {"playother", Arguments::kNone, PlayOther},
    {"usermove", Arguments::kLine, UserMove},
    {"undo", Arguments::kNone, Undo},
    {"remove", Arguments::kNone, Remove},
    {"setboard", Arguments::kLine, SetBoard},
    {"edit", Arguments::kNone, Edit},
    {"ping", Arguments::kLine, Ping, kAtOnce},
    {"result", Arguments::kLine, Result},
    {"hint", Arguments::kNone, Hint, kAtOnce},
    {"sd", Arguments::kLine, Depth, kAtOnce},
    {"depth", Arguments::kLine, Depth, kAtOnce},
    {"level", Arguments::kLine, Level, kAtOnce},
    {"st", Arguments::kLine, SecondsPerMove, kAtOnce},
    {"analyze", Arguments::kNone, Analyze},
    {"exit", Arguments::kNone, ExitAnalysis},
    {".", Arguments::kNone, Status, kAtOnce},
    // Accepted without effect: the board's announcements and settings the
    // engine has no use for.
    {"xboard", Arguments::kNone, AcceptAndIgnore, kAtOnce},
    {"accepted", Arguments::kLine, AcceptAndIgnore, kAtOnce},
    {"rejected", Arguments::kLine, AcceptAndIgnore, kAtOnce},
    {"variant", Arguments::kLine, AcceptAndIgnore},
    {"random", Arguments::kNone, AcceptAndIgnore, kAtOnce},
    {"easy", Arguments::kNone, AcceptAndIgnore, kAtOnce},
    {"computer", Arguments::kNone, AcceptAndIgnore, kAtOnce},
    {"name", Arguments::kLine, AcceptAndIgnore, kAtOnce},
    {"ics", Arguments::kLine, AcceptAndIgnore, kAtOnce},
    {"?", Arguments::kNone, AcceptAndIgnore, kAtOnce},
    {"draw", Arguments::kNone, AcceptAndIgnore, kAtOnce},
    {"bk", Arguments::kNone, AcceptAndIgnore, kAtOnce},
    {"memory", Arguments::kLine, AcceptAndIgnore, kAtOnce},
    {"cores", Arguments::kLine, AcceptAndIgnore, kAtOnce},
    {"nps", Arguments::kLine, AcceptAndIgnore, kAtOnce},
    {"egtpath", Arguments::kLine, AcceptAndIgnore, kAtOnce},
    {"option", Arguments::kLine, AcceptAndIgnore, kAtOnce},
    {"pause", Arguments::kNone, AcceptAndIgnore},
    {"resume", Arguments::kNone, AcceptAndIgnore},
};

const Command* FindCommand(const std::string& word) {
  for (const Command& command : kCommands) {
    if (command.word == word) return &command;
  }
  return nullptr;
}

bool TakesLine(const Command& command, const ProtocolSession& session) {
  return command.arguments == Arguments::kLine ||
         (command.arguments == Arguments::kLineFromVersion2 && SpeaksVersion2(session));
}

// One word after "edit": "c" changes the colour of the pieces placed, "#"
// empties the board, a piece letter and a square (Pa4) puts a piece there,
// x and a square empties it, and "." sets the position up with the same
// side to move as before.
void ActOnEditWord(const std::string& word, std::FILE* out, ProtocolSession* session) {
  constexpr std::string_view kPieces = "KQRBNP";
  constexpr std::size_t kPlacementLength = 3;
  Board& board = session->editBoard;
  if (word == ".") {
    session->input = InputMode::kCommands;
    Position position;
    const bool made = PositionFromBoard(board, SideToMove(session->game), "KQkq", "-", &position);
    SetUpIfPlayable(out, made, position, session);
  } else if (word == "c") {
    session->editColour = OtherSide(session->editColour);
  } else if (word == "#") {
    for (char& square : board.squares) square = kEmptySquare;
  } else if (word.size() == kPlacementLength && IsOnBoard(word[1] - 'a', word[2] - '1')) {
    const int square = SquareIndex(word[1] - 'a', word[2] - '1');
    if (word[0] == 'x' || word[0] == 'X') {
      board.squares[square] = kEmptySquare;
    } else if (kPieces.find(word[0]) != std::string_view::npos) {
      board.squares[square] = session->editColour == kWhiteSide ? word[0] : static_cast<char>(word[0] - 'A' + 'a');
    }
  }
}

Reading ActOn(const std::string& word, const std::string& arguments, std::FILE* out, ProtocolSession* session) {
  if (word == kQuitWord) return Reading::kQuit;
  if (session->input == InputMode::kEditing) {
    ActOnEditWord(word, out, session);
    return Reading::kGoOn;
  }
  if (const Command* command = FindCommand(word)) {
    command->act(arguments, out, session);
  } else if (word.compare(0, kTimeWord.size(), kTimeWord) == 0) {
    // Any word that begins like "time" counts as a clock word.
  } else if (SpeaksVersion2(*session) && !LooksLikeMoveText(word)) {
    ReportError(out, *session, "unknown command", word);
  } else {
    PlayOpponentMove(word, out, session);
  }
  return Reading::kGoOn;
}

Reading ReadAndAct(InputStream* in, std::FILE* out, ProtocolSession* session) {
  std::string word;
  if (ReadWord(in, &word) == ReadStatus::kEndOfInput) return Reading::kQuit;
  std::string arguments;
  const Command* command = session->input == InputMode::kCommands ? FindCommand(word) : nullptr;
  if (command != nullptr && TakesLine(*command, *session)) {
    ReadRestOfLine(in, &arguments);
  } else {
    DropChar(in);
  }
  return ActOn(word, arguments, out, session);
}

// While the engine thinks on its move: "?" (move now), "quit" and the end
// of the input end the search; every other line waits for the move.
LineEffect EffectOnMove(const std::string& line) {
  std::string word, rest;
  SplitLine(line, &word, &rest);
  return word == kMoveNow || word == kQuitWord ? LineEffect::kEndsSearch : LineEffect::kWaits;
}

// While the engine analyses: settings and questions are answered at once
// and the analysis goes on; any other line ends it, to be acted on.
LineEffect EffectOnAnalysis(const std::string& line, std::FILE* out, ProtocolSession* session) {
  std::string word, rest;
  SplitLine(line, &word, &rest);
  const Command* command = session->input == InputMode::kCommands ? FindCommand(word) : nullptr;
  if (word.empty()) return LineEffect::kAnsweredAtOnce;
  if (command == nullptr || command->whileThinking != WhileThinking::kAtOnceInAnalysis) return LineEffect::kEndsSearch;
  // A command whose arguments come as words of their own is taken alone.
  if (!TakesLine(*command, *session) && !rest.empty()) return LineEffect::kEndsSearch;
  command->act(rest, out, session);
  return LineEffect::kAnsweredAtOnce;
}

// The engine's choice on its move, at the session's depth and by its clock.
// At any depth but the usual one the input is read meanwhile, so that the
// board can make it move now.
EngineChoice Think(ProtocolSession* session) {
  const int depth = session->game.depth;
  SearchControl control;
  control.clock = ClockForMove(*session);
  bool lineWaits = false;
  InputStream* in = session->stream;
  if (depth != kFullWidthDepth && in != nullptr) {
    StartReadingAhead(in);
    control.interrupted = [in, &lineWaits] { return InputEndsSearch(in, &lineWaits, EffectOnMove); };
  }
  return ChooseEngineMove(session->game, depth, control);
}

// The engine chooses its move, writes it, plays it and announces the end of
// the game it brings. Only while IsEngineToMove.
void PlayEngineMove(std::FILE* out, ProtocolSession* session) {
  GameSession& game = session->game;
  const EngineChoice choice = Think(session);
  if (SpeaksVersion2(*session) && game.thinking == Thinking::kShown) WriteThinking(out, game, game.depth, choice);
  const std::string text =
      SpeaksVersion2(*session) ? MoveTextWithPromotion(&game.position.board, choice.move) : MoveText(choice.move);
  std::fprintf(out, "move %s\n", text.c_str());
  const char mover = SideToMove(game);
  PlayMove(&game, choice.move, kQueenPromotion);
  ReportGameEnd(out, game, mover);
}

// Thinks about the position, deeper and deeper, with a thinking line for
// each depth done, until input ends the analysis or the deepest is done.
void Analyse(std::FILE* out, ProtocolSession* session) {
  session->progress = AnalysisProgress{};
  if (GameEnd(session->game) != kGameGoesOn) return;
  const auto start = std::chrono::steady_clock::now();
  const GameSession game = session->game;
  SearchControl control;
  bool lineWaits = false;
  InputStream* in = session->stream;
  if (in != nullptr) {
    control.interrupted = [in, &lineWaits, out, session, start] {
      session->progress.milliseconds = MillisecondsSince(start);
      return InputEndsSearch(in, &lineWaits,
                             [out, session](const std::string& line) { return EffectOnAnalysis(line, out, session); });
    };
    StartReadingAhead(in);
  }
  control.completed = [out, session, &game](const EngineChoice& choice) {
    session->progress = {true, choice.move, choice.report, choice.milliseconds};
    WriteThinking(out, game, kMaxDepth, choice);
  };
  ChooseEngineMove(game, kMaxDepth, control);
  session->progress.milliseconds = MillisecondsSince(start);
}

}  // namespace

ProtocolSession NewProtocolSession() {
  ProtocolSession session{NewSession(), InputMode::kCommands, {}, kWhiteSide, Clock{}, 0, Analysis::kOff, {}, nullptr};
  return session;
}

Reading ReadActAndAnswer(InputStream* in, std::FILE* out, ProtocolSession* session,
                         const EngineMoveObserver& observer) {
  session->stream = in;
  if (ReadAndAct(in, out, session) == Reading::kQuit) return Reading::kQuit;
  if (IsAnalysing(*session)) {
    Analyse(out, session);
    return Reading::kGoOn;
  }
  while (IsEngineToMove(session->game)) {
    if (observer) observer(session->game);
    PlayEngineMove(out, session);
  }
  return Reading::kGoOn;
}

int RunProtocolMode(InputStream* in, std::FILE* out, const std::function<bool()>& searchBound) {
  ProtocolSession session = NewProtocolSession();
  session.game.searchBound = searchBound;
  while (ReadActAndAnswer(in, out, &session, nullptr) == Reading::kGoOn) {
  }
  return kExitSuccess;
}
