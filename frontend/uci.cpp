#include "frontend/uci.h"

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

// A "go infinite" is answered at once but its bestmove is held until "stop".
struct UciSession {
  GameSession game;
  std::string heldBestMove;
};

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
  if (words.size() < 2 || words[1] != "name" || Joined(words, 2, value) != kSkillLevel) return;
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
std::string ScoreText(int score, int plies) {
  if (!IsMateScore(score)) return "cp " + std::to_string(Centipawns(score));
  const int moves = (plies + 1) / 2;
  return "mate " + std::to_string(score > 0 ? moves : -moves);
}

// "go" with any of its limits: only "depth" changes the search; "infinite"
// and "ponder" hold the answer until "stop".
void Go(const std::vector<std::string>& words, std::FILE* out, UciSession* session) {
  int depth = session->game.depth;
  bool hold = false;
  for (std::size_t i = 1; i < words.size(); ++i) {
    long long value = 0;
    if (words[i] == "depth" && i + 1 < words.size() && ParseDecimal(words[i + 1], &value)) {
      depth = DepthInRange(value);
    }
    if (words[i] == "infinite" || words[i] == "ponder") hold = true;
  }
  std::string best = kNoMove;
  if (GameEnd(session->game) == kGameGoesOn) {
    const EngineChoice choice = ChooseEngineMove(session->game, depth);
    const std::vector<Move> line = ShownLine(session->game, choice, depth);
    std::fprintf(out, "info depth %d score %s nodes %lld time %lld pv%s\n", depth,
                 ScoreText(choice.report.score, static_cast<int>(line.size())).c_str(),
                 static_cast<long long>(choice.report.nodes), static_cast<long long>(choice.milliseconds),
                 LineText(session->game, line).c_str());
    best = MoveTextWithPromotion(&session->game.position.board, choice.move);
  }
  if (hold) {
    session->heldBestMove = best;
  } else {
    std::fprintf(out, "bestmove %s\n", best.c_str());
  }
}

void Stop(std::FILE* out, UciSession* session) {
  if (session->heldBestMove.empty()) return;
  std::fprintf(out, "bestmove %s\n", session->heldBestMove.c_str());
  session->heldBestMove.clear();
}

enum class Reading { kGoOn, kQuit };

// One line. A word the engine does not know is passed over and the rest of
// the line read, as UCI asks.
Reading ActOnLine(const std::string& line, std::FILE* out, UciSession* session) {
  std::vector<std::string> words = Words(line);
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
      Stop(out, session);
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

int RunUciMode(std::FILE* in, std::FILE* out) {
  UciSession session{NewSession(), {}};
  // The word "uci" that chose this protocol is its first command.
  Identify(out);
  std::string line;
  while (ReadRestOfLine(in, &line) != ReadStatus::kEndOfInput) {
    if (ActOnLine(line, out, &session) == Reading::kQuit) return kExitSuccess;
  }
  return kExitSuccess;
}
