// Moves as coordinate text, as the protocols read and write them: origin and
// target squares (e2e4), and for a promotion the piece's letter (e7e8n).
#pragma once

#include <string>

#include "model/board.h"

// What a move text names as the promoted piece when it names none: a queen,
// as the program always promotes.
constexpr char kQueenPromotion = 'q';

// The move named by the first four characters of `word` (such as e2e4),
// carrying the rights of `lastMove`. Nothing is checked: a character that is
// missing or off the board gives a coordinate outside 0..7.
Move ParseCoordinateMove(const std::string& word, Move lastMove);

// The promotion piece named by the fifth character of `word`, as a lower-case
// letter q, r, b or n; a queen when there is none.
char ParsePromotionLetter(const std::string& word);

// Whether `word` has the shape of a move: four characters naming two squares,
// then at most a promotion letter.
bool LooksLikeMoveText(const std::string& word);

// "e2e4" for a move whose squares are on the board.
std::string MoveText(Move move);

// The same, with the promotion letter when `move` takes a pawn of `before` to
// its last rank as a queen ("e7e8q").
std::string MoveTextWithPromotion(const Board* before, Move move);
