#include "frontend/protocol.h"

#include <cstdlib>
#include <string_view>

#include "frontend/program.h"
#include "frontend/text_input.h"
#include "model/move_text.h"
#include "rules/game_end.h"
#include "rules/legality.h"

namespace {

// How a command's arguments arrive: none, so that the next word is read on
// its own; the rest of its line; or the rest of its line only for a board
// that has announced version 2 (the first version read them word by word).
enum class Arguments { kNone, kLine, kLineFromVersion2 };

using Action = void (*)(const std::string& arguments, std::FILE* out, ProtocolSession* session);

struct Command {
  std::string_view word;
  Arguments arguments;
  Action act;
};

constexpr std::string_view kTimeWord = "time";

// A mate in the thinking line: this much, plus the plies to it.
constexpr int kMateShown = 100000;
constexpr std::int64_t kMillisecondsPerCentisecond = 10;

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
// the engine (a mate as kMateShown plus its plies), time in centiseconds,
// nodes, and the line.
void WriteThinking(std::FILE* out, const GameSession& game, const EngineChoice& choice) {
  const int score = choice.report.score;
  const std::vector<Move> line = ShownLine(game, choice, game.depth);
  const int plies = static_cast<int>(line.size());
  const int shown = !IsMateScore(score) ? Centipawns(score) : score > 0 ? kMateShown + plies : -(kMateShown + plies);
  std::fprintf(out, "%d %d %lld %lld%s\n", game.depth, shown,
               static_cast<long long>(choice.milliseconds / kMillisecondsPerCentisecond),
               static_cast<long long>(choice.report.nodes), LineText(game, line).c_str());
}

void AcceptAndIgnore(const std::string&, std::FILE*, ProtocolSession*) {}

void New(const std::string&, std::FILE*, ProtocolSession* session) {
  StartNewGame(&session->game);
  SetDepth(&session->game, kFullWidthDepth);
}

// The program's own reading of these words: the engine plays the side named.
void White(const std::string&, std::FILE*, ProtocolSession* session) { session->game.engineSide = kWhiteSide; }
void Black(const std::string&, std::FILE*, ProtocolSession* session) { session->game.engineSide = kBlackSide; }

void Protover(const std::string& arguments, std::FILE* out, ProtocolSession* session) {
  const int version = std::atoi(arguments.c_str());
  if (version < kFeatureProtocolVersion) return;
  session->game.protocolVersion = version;
  std::fputs(
      "feature myname=\"chess\" variants=\"normal\" setboard=1 ping=1 usermove=1 san=0 colors=0 sigint=0 "
      "analyze=0 draw=0 reuse=1 done=1\n",
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

void Hint(const std::string&, std::FILE* out, ProtocolSession* session) {
  if (GameEnd(session->game) != kGameGoesOn) return;
  const EngineChoice choice = ChooseEngineMove(session->game, session->game.depth);
  std::fprintf(out, "Hint: %s\n", MoveTextWithPromotion(&session->game.position.board, choice.move).c_str());
}

// A depth limit, the board's strength setting; a word that is no number
// changes nothing.
void Depth(const std::string& arguments, std::FILE*, ProtocolSession* session) {
  long long depth = 0;
  if (ParseDecimal(arguments, &depth)) SetDepth(&session->game, depth);
}

constexpr Command kCommands[] = {
    {"new", Arguments::kNone, New},
    {"white", Arguments::kNone, White},
    {"black", Arguments::kNone, Black},
    {"post", Arguments::kNone, Post},
    {"nopost", Arguments::kNone, NoPost},
    {"hard", Arguments::kNone, AcceptAndIgnore},
    {"time", Arguments::kLineFromVersion2, AcceptAndIgnore},
    {"otim", Arguments::kLineFromVersion2, AcceptAndIgnore},
    {"protover", Arguments::kLine, Protover},
    {"force", Arguments::kNone, Force},
    {"go", Arguments::kNone, Go},
    {"playother", Arguments::kNone, PlayOther},
    {"usermove", Arguments::kLine, UserMove},
    {"undo", Arguments::kNone, Undo},
    {"remove", Arguments::kNone, Remove},
    {"setboard", Arguments::kLine, SetBoard},
    {"edit", Arguments::kNone, Edit},
    {"ping", Arguments::kLine, Ping},
    {"result", Arguments::kLine, Result},
    {"hint", Arguments::kNone, Hint},
    {"sd", Arguments::kLine, Depth},
    {"depth", Arguments::kLine, Depth},
    // Accepted without effect: the clocks (the engine answers in a fraction
    // of a second), the board's announcements and settings it has no use for.
    {"xboard", Arguments::kNone, AcceptAndIgnore},
    {"accepted", Arguments::kLine, AcceptAndIgnore},
    {"rejected", Arguments::kLine, AcceptAndIgnore},
    {"variant", Arguments::kLine, AcceptAndIgnore},
    {"level", Arguments::kLine, AcceptAndIgnore},
    {"st", Arguments::kLine, AcceptAndIgnore},
    {"random", Arguments::kNone, AcceptAndIgnore},
    {"easy", Arguments::kNone, AcceptAndIgnore},
    {"computer", Arguments::kNone, AcceptAndIgnore},
    {"name", Arguments::kLine, AcceptAndIgnore},
    {"ics", Arguments::kLine, AcceptAndIgnore},
    {"?", Arguments::kNone, AcceptAndIgnore},
    {"draw", Arguments::kNone, AcceptAndIgnore},
    {"bk", Arguments::kNone, AcceptAndIgnore},
    {"memory", Arguments::kLine, AcceptAndIgnore},
    {"cores", Arguments::kLine, AcceptAndIgnore},
    {"nps", Arguments::kLine, AcceptAndIgnore},
    {"egtpath", Arguments::kLine, AcceptAndIgnore},
    {"option", Arguments::kLine, AcceptAndIgnore},
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

}  // namespace

ProtocolSession NewProtocolSession() {
  ProtocolSession session{NewSession(), InputMode::kCommands, {}, kWhiteSide};
  return session;
}

Reading ActOn(const std::string& word, const std::string& arguments, std::FILE* out, ProtocolSession* session) {
  if (word == "quit") return Reading::kQuit;
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

Reading ReadAndAct(std::FILE* in, std::FILE* out, ProtocolSession* session) {
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

void PlayEngineMove(std::FILE* out, ProtocolSession* session) {
  GameSession& game = session->game;
  const EngineChoice choice = ChooseEngineMove(game, game.depth);
  if (SpeaksVersion2(*session) && game.thinking == Thinking::kShown) WriteThinking(out, game, choice);
  const std::string text =
      SpeaksVersion2(*session) ? MoveTextWithPromotion(&game.position.board, choice.move) : MoveText(choice.move);
  std::fprintf(out, "move %s\n", text.c_str());
  const char mover = SideToMove(game);
  PlayMove(&game, choice.move, kQueenPromotion);
  ReportGameEnd(out, game, mover);
}

int RunProtocolMode(std::FILE* in, std::FILE* out) {
  ProtocolSession session = NewProtocolSession();
  for (;;) {
    while (IsEngineToMove(session.game)) PlayEngineMove(out, &session);
    if (ReadAndAct(in, out, &session) == Reading::kQuit) return kExitSuccess;
  }
}
