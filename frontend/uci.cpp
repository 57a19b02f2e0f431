#include "frontend/uci.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/game_session.h"
#include "frontend/program.h"
#include "frontend/text_input.h"
#include "model/move_text.h"
#include "rules/game_end.h"
#include "rules/legality.h"

namespace {

// The answer to "go" in a position with no legal move.
constexpr const char* kNoMove = "0000";
constexpr const char* kSkillLevel = "Skill Level";

// A "go infinite" or "go ponder" whose search has ended by itself holds its
// bestmove until the next line ("stop", "ponderhit" or any other).
struct UciSession {
  GameSession game;
  std::string heldBestMove;
  InputStream* input;
};

// How long a search goes on: to its depth or by the clock, or until the
// board ends it ("go infinite", "go ponder").
enum class Duration { kLimited, kUntilStopped };

constexpr std::int64_t kMaxClockMilliseconds = 1000000000000;
constexpr long long kMaxMovesToGo = 1000000;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream stream(line);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

// Words `from` up to `to`, joined by blanks.
std::string Joined(const std::vector<std::string>& words, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to; ++i) {
    if (i > from) text += ' ';
    text += words[i];
  }
  return text;
}

void Identify(std::FILE* out) {
  std::fprintf(out,
               "id name chess\nid author The chess developers\n"
               "option name %s type spin default %d min %d max %d\nuciok\n",
               kSkillLevel, kFullWidthDepth, kMinDepth, kMaxDepth);
}

// "setoption name NAME value VALUE": the skill level is the search depth;
// other names are not the engine's and are passed over.
void SetOption(const std::vector<std::string>& words, UciSession* session) {
  std::size_t value = words.size();
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "value") value = i;
  }
  // Option names are compared without regard to case, as UCI asks.
  if (words.size() < 2 || words[1] != "name" || Lower(Joined(words, 2, value)) != Lower(kSkillLevel)) return;
  long long depth = 0;
  if (value + 1 < words.size() && ParseDecimal(words[value + 1], &depth)) SetDepth(&session->game, depth);
}

// "position startpos|fen FEN [moves ...]": the whole game, every time. A
// position that cannot be played, or a move that is not legal, leaves the
// position as it was before the command.
void SetUpPosition(const std::vector<std::string>& words, std::FILE* out, UciSession* session) {
  std::size_t movesAt = words.size();
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "moves") {
      movesAt = i;
      break;
    }
  }
  GameSession game = session->game;
  if (words.size() > 1 && words[1] == "startpos") {
    SetPosition(&game, InitialPosition());
  } else if (words.size() > 1 && words[1] == "fen") {
    const std::string fen = Joined(words, 2, movesAt);
    Position position;
    if (!PositionFromFen(fen, &position) || !IsPlayablePosition(&position.board, position.lastMove)) {
      std::fprintf(out, "info string illegal position %s\n", fen.c_str());
      return;
    }
    SetPosition(&game, position);
  } else {
    std::fputs("info string position needs startpos or fen\n", out);
    return;
  }
  for (std::size_t i = movesAt + 1; i < words.size(); ++i) {
    Move move;
    if (!ReadLegalMove(game, words[i], &move)) {
      std::fprintf(out, "info string illegal move %s\n", words[i].c_str());
      return;
    }
    PlayMove(&game, move, ParsePromotionLetter(words[i]));
  }
  session->game = game;
}

// The score as UCI shows it: centipawns, or moves to a mate (negative when
// the engine is mated).
std::string ScoreText(const SearchReport& report, int level, int plies) {
  const ShownScore score = ScoreToShow(report, level, plies);
  if (score.mateMoves == 0) return "cp " + std::to_string(score.centipawns);
  return "mate " + std::to_string(score.mateMoves);
}

// One "info" line: at the usual depth with the line of a mate played out,
// at the others the deepest iteration done and its move.
void WriteInfo(std::FILE* out, const GameSession& game, int level, const EngineChoice& choice) {
  const std::vector<Move> line =
      level == kFullWidthDepth ? ShownLine(game, choice, level) : std::vector<Move>{choice.move};
  std::fprintf(out, "info depth %d score %s nodes %lld time %lld pv%s\n",
               level == kFullWidthDepth ? level : choice.report.depth,
               ScoreText(choice.report, level, static_cast<int>(line.size())).c_str(),
               static_cast<long long>(choice.report.nodes), static_cast<long long>(choice.milliseconds),
               LineText(game, line).c_str());
}

std::string FirstWord(const std::string& line) {
  std::istringstream words(line);
  std::string word;
  words >> word;
  return word;
}

// A line that arrives during a search: "isready" is answered at once and
// the search goes on; "stop", "quit" and the end of the input end it; so
// does "ponderhit", and every other line, a search that lasts until
// stopped. Other lines wait for the end of a limited search.
LineEffect EffectOnSearch(const std::string& line, Duration duration, std::FILE* out) {
  const std::string word = FirstWord(line);
  if (word == "isready") {
    std::fputs("readyok\n", out);
    return LineEffect::kAnsweredAtOnce;
  }
  if (word == "stop" || word == "quit" || duration == Duration::kUntilStopped) return LineEffect::kEndsSearch;
  return LineEffect::kWaits;
}

// A clock value of "go" for the side to move.
void ReadClockValue(const std::vector<std::string>& words, std::size_t i, std::int64_t* value) {
  long long number = 0;
  if (i + 1 < words.size() && ParseDecimal(words[i + 1], &number)) {
    *value = std::clamp<long long>(number, 0, kMaxClockMilliseconds);
  }
}

// "go" with its limits: "depth", the clock ("wtime", "btime", "winc",
// "binc", "movestogo", "movetime"), or "infinite" and "ponder", which go on
// until the board ends them.
void Go(const std::vector<std::string>& words, std::FILE* out, UciSession* session) {
  int depth = session->game.depth;
  Duration duration = Duration::kLimited;
  Clock clock;
  const bool white = SideToMove(session->game) == kWhiteSide;
  for (std::size_t i = 1; i < words.size(); ++i) {
    long long value = 0;
    const std::string& word = words[i];
    if (word == "depth" && i + 1 < words.size() && ParseDecimal(words[i + 1], &value)) depth = DepthInRange(value);
    if (word == "infinite" || word == "ponder") duration = Duration::kUntilStopped;
    if (word == (white ? "wtime" : "btime")) ReadClockValue(words, i, &clock.leftMs);
    if (word == (white ? "winc" : "binc")) ReadClockValue(words, i, &clock.incrementMs);
    if (word == "movetime") ReadClockValue(words, i, &clock.moveTimeMs);
    if (word == "movestogo" && i + 1 < words.size() && ParseDecimal(words[i + 1], &value)) {
      clock.movesToGo = static_cast<int>(std::clamp<long long>(value, 0, kMaxMovesToGo));
    }
  }
  if (duration == Duration::kUntilStopped) {
    depth = kMaxDepth;
    clock = Clock{};
  }
  if (GameEnd(session->game) != kGameGoesOn) {
    if (duration == Duration::kUntilStopped) {
      session->heldBestMove = kNoMove;
    } else {
      std::fprintf(out, "bestmove %s\n", kNoMove);
    }
    return;
  }
  const GameSession& game = session->game;
  SearchControl control;
  control.clock = clock;
  bool ended = false;
  bool lineWaits = false;
  InputStream* in = session->input;
  if (depth != kFullWidthDepth && in != nullptr) {
    StartReadingAhead(in);
    control.interrupted = [in, &lineWaits, &ended, duration, out] {
      ended = ended || InputEndsSearch(in, &lineWaits, [duration, out](const std::string& line) {
                return EffectOnSearch(line, duration, out);
              });
      return ended;
    };
  }
  if (duration == Duration::kUntilStopped) {
    // Analysis: a line for every depth done.
    control.completed = [out, &game](const EngineChoice& choice) { WriteInfo(out, game, kMaxDepth, choice); };
  }
  const EngineChoice choice = ChooseEngineMove(game, depth, control);
  if (duration == Duration::kLimited) WriteInfo(out, game, depth, choice);
  const std::string best = MoveTextWithPromotion(&game.position.board, choice.move);
  if (duration == Duration::kUntilStopped && !ended) {
    session->heldBestMove = best;
  } else {
    std::fprintf(out, "bestmove %s\n", best.c_str());
  }
}

// The bestmove of a search that waited for the board to end it.
void ReleaseHeldBestMove(std::FILE* out, UciSession* session) {
  if (session->heldBestMove.empty()) return;
  std::fprintf(out, "bestmove %s\n", session->heldBestMove.c_str());
  session->heldBestMove.clear();
}

enum class Reading { kGoOn, kQuit };

// One line. A word the engine does not know is passed over and the rest of
// the line read, as UCI asks. Any line but "isready" first ends a search
// that was waiting to be stopped.
Reading ActOnLine(const std::string& line, std::FILE* out, UciSession* session) {
  std::vector<std::string> words = Words(line);
  if (!words.empty() && words.front() != "isready") ReleaseHeldBestMove(out, session);
  while (!words.empty()) {
    const std::string& command = words.front();
    if (command == "quit") return Reading::kQuit;
    if (command == "uci") {
      Identify(out);
    } else if (command == "isready") {
      std::fputs("readyok\n", out);
    } else if (command == "ucinewgame") {
      StartNewGame(&session->game);
    } else if (command == "position") {
      SetUpPosition(words, out, session);
    } else if (command == "go") {
      Go(words, out, session);
    } else if (command == "stop" || command == "ponderhit") {
      // Whatever they end has ended.
    } else if (command == "setoption") {
      SetOption(words, session);
    } else if (command != "debug" && command != "register") {
      words.erase(words.begin());
      continue;
    }
    break;
  }
  return Reading::kGoOn;
}

}  // namespace

int RunUciMode(InputStream* in, std::FILE* out, const std::function<bool()>& searchBound) {
  UciSession session{NewSession(), {}, in};
  session.game.searchBound = searchBound;
  // The word "uci" that chose this protocol is its first command.
  Identify(out);
  std::string line;
  while (ReadRestOfLine(in, &line) != ReadStatus::kEndOfInput) {
    if (ActOnLine(line, out, &session) == Reading::kQuit) return kExitSuccess;
  }
  ReleaseHeldBestMove(out, &session);
  return kExitSuccess;
}
