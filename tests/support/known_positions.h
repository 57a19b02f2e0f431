// The well-known positions of move-generator tests and their published
// perft counts, for the tests, the golden record's generator and the
// benchmark.
#pragma once

#include <cstdint>

constexpr const char* kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// "Kiwipete": castling both ways for both sides, pins, en passant.
constexpr const char* kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
// A rook ending with en passant that uncovers a check along the rank.
constexpr const char* kRookEndgame = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -";
// Promotions, captures onto the back rank, Black castling only.
constexpr const char* kPromotions = "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1";
// A pawn on d7 that promotes by capture, a knight checking from f2.
constexpr const char* kPromotionByCapture = "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8";
// En passant possible at once, on f6.
constexpr const char* kEnPassantF6 = "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3";

struct PerftCount {
  const char* fen;
  int depth;
  std::int64_t leaves;
};

// Published leaf counts of the tree of legal moves.
constexpr PerftCount kPublishedPerft[] = {
    {kStartFen, 1, 20},        {kStartFen, 2, 400},    {kStartFen, 3, 8902},    {kStartFen, 4, 197281},
    {kStartFen, 5, 4865609},   {kKiwipete, 1, 48},     {kKiwipete, 2, 2039},    {kKiwipete, 3, 97862},
    {kRookEndgame, 1, 14},     {kRookEndgame, 2, 191}, {kRookEndgame, 3, 2812}, {kRookEndgame, 4, 43238},
    {kRookEndgame, 5, 674624},
};
