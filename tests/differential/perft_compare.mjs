#!/usr/bin/env node
// Compares the program's move generation with chess.js: for each position,
// the number of leaves of the tree of legal moves a few plies deep (perft),
// counted by the program's perft tool and by chess.js. A promotion counts
// once, as the program's pawns always become queens.
//
// The positions come from seeded random games played with chess.js alone
// (the same opponent as play_games.mjs, on both sides), from files of FENs
// written by play_games.mjs (--fens), and from a few fixed positions rich in
// castling, en passant and promotions. On a mismatch the tree is followed
// down to a position where the two disagree on the moves themselves.
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import {
  Chess,
  chooseRandomMove,
  itemRng,
  mulberry32,
  parseOptions,
  perftQueenOnly,
  playMove,
  positionKey,
  programLegalMoves,
  PUBLIC,
  randomInt,
} from './common.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const options = parseOptions(process.argv.slice(2), 'perft_compare.mjs', {
  positions: [150, 'N', 'positions from seeded random games'],
  seed: [1, 'S', 'seed of those games'],
  depth: [3, 'D', 'plies counted'],
  tool: [path.resolve(here, '../../build/tests/perft_tool'), 'PATH', 'the perft tool (default build/tests/perft_tool of this repository)'],
  generator: ['rules', 'G', "which of the program's move generators counts: rules (the legality test, default) or search (the search's own)"],
  fens: [[], 'FILE', 'also positions from FILE, one FEN a line (may repeat)'],
  'max-fens': [300, 'M', 'at most M positions from the files, drawn at random'],
  timeout: [600, 'SECONDS', 'longest run of the perft tool'],
});

// Well-known test positions: castling rights with attacked and blocked
// squares, en passant captures that expose the king, promotions with capture.
const FIXED = [
  'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1',
  'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1',
  '8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1',
  'r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1',
  'rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8',
  'r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10',
  '8/8/8/K2pP2r/8/8/8/7k w - d6 0 1',
  '8/8/3k4/8/2pP4/8/B7/4K3 b - d3 0 1',
  'r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1',
  'r3k2r/8/8/8/8/8/8/1R2K2R b Kkq - 0 1',
  '4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1',
  'n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1',
];

// Positions of random games: each game stops at a random ply, and a few of
// the positions on the way are kept.
function randomGamePositions(count, seed) {
  const found = new Map();
  for (let game = 0; found.size < count && game < count * 20; ++game) {
    const rng = itemRng(seed, game, 1);
    const chess = new Chess();
    const length = randomInt(rng, 1, 160);
    const keep = new Set([length, randomInt(rng, 0, length), randomInt(rng, 0, length)]);
    for (let ply = 0; ply <= length; ++ply) {
      const fen = chess.fen({ forceEnpassantSquare: true });
      if (keep.has(ply) && !found.has(positionKey(fen))) found.set(positionKey(fen), fen);
      if (chess.isCheckmate() || chess.isStalemate()) break;
      playMove(chess, chooseRandomMove(chess, rng));
    }
  }
  return [...found.values()].slice(0, count);
}

function filePositions(files, limit, seed) {
  const lines = files.flatMap((file) => readFileSync(file, 'utf8').split('\n'));
  const fens = lines.map((line) => line.trim()).filter(Boolean);
  // A seeded draw when there are more than wanted.
  const rng = mulberry32(seed ^ 0x1234567);
  for (let i = fens.length - 1; i > 0; --i) {
    const j = Math.floor(rng() * (i + 1));
    [fens[i], fens[j]] = [fens[j], fens[i]];
  }
  return fens.slice(0, limit);
}

// Runs the perft tool on lines "FEN;depth"; one count (or "error") a line.
function runTool(queries) {
  const run = spawnSync(options.tool, options.generator === 'search' ? ['--search-generator'] : [], {
    input: queries.map(([fen, depth]) => `${fen};${depth}\n`).join(''),
    encoding: 'utf8',
    timeout: options.timeout * 1000,
    killSignal: 'SIGKILL',
    maxBuffer: Infinity,
  });
  if (run.error?.code === 'ETIMEDOUT') throw new Error(`the perft tool gave no full answer within ${options.timeout} s`);
  if (run.error) throw new Error(`cannot run the perft tool ${options.tool}: ${run.error.message}`);
  if (run.status !== 0) {
    throw new Error(`the perft tool ended with ${run.signal || `status ${run.status}`}${run.stderr ? `: ${run.stderr.slice(0, 2000)}` : ''}`);
  }
  const lines = run.stdout.split('\n');
  if (lines[lines.length - 1] === '') lines.pop();
  if (lines.length !== queries.length) throw new Error(`the perft tool printed ${lines.length} lines for ${queries.length} positions`);
  return lines;
}

// Follows a mismatch down the tree: the first move after which the counts
// differ, until a position where the lists of moves themselves differ.
function explain(fen, depth) {
  const path = [];
  let current = fen;
  for (let d = depth; d > 1; --d) {
    const chess = new Chess(current);
    const children = programLegalMoves(chess).map((m) => {
      playMove(chess, m);
      const child = chess.fen({ forceEnpassantSquare: true });
      chess.undo();
      return { move: m.from + m.to, fen: child, expected: perftQueenOnly(new Chess(child), d - 1) };
    });
    const counts = runTool(children.map((c) => [c.fen, d - 1]));
    const wrong = children.findIndex((c, i) => String(c.expected) !== counts[i]);
    if (wrong < 0) return `  every move's subtree agrees at depth ${d - 1}: the two disagree on the moves of ${current} itself`;
    path.push(`${children[wrong].move} (chess.js ${children[wrong].expected}, program ${counts[wrong]})`);
    current = children[wrong].fen;
  }
  const moves = programLegalMoves(new Chess(current)).map((m) => m.from + m.to);
  const [count] = runTool([[current, 1]]);
  return [
    `  moves from the position: ${path.join(' ') || '(none)'}`,
    `  there: ${current}`,
    `  chess.js has ${moves.length} moves, the program ${count}: ${moves.join(' ')}`,
  ].join('\n');
}

function main() {
  const depth = options.depth;
  // The fast count must agree with the library's own, public interface.
  for (const [fen, d] of [
    [FIXED[0], 3],
    [FIXED[4], 2],
    [FIXED[11], 2],
  ]) {
    const fast = perftQueenOnly(new Chess(fen), d);
    const slow = perftQueenOnly(new Chess(fen), d, PUBLIC);
    if (fast !== slow) throw new Error(`chess.js counts disagree for ${fen}: ${fast} and ${slow}`);
  }
  if (perftQueenOnly(new Chess(), 3) !== new Chess().perft(3)) throw new Error('chess.js perft of the initial position disagrees');

  const all = new Map();
  const add = (fen, source) => {
    // Through chess.js, which keeps an en passant square only where a pawn
    // stands next to the pawn that moved (even a pinned one); the perft tool
    // reads that square as the last move.
    const normal = new Chess(fen).fen({ forceEnpassantSquare: true });
    if (!all.has(positionKey(normal))) all.set(positionKey(normal), { fen: normal, source });
  };
  for (const fen of FIXED) add(fen, 'fixed');
  for (const fen of filePositions(options.fens, options['max-fens'], options.seed)) add(fen, 'games');
  for (const fen of randomGamePositions(options.positions, options.seed)) add(fen, 'random play');
  const positions = [...all.values()];
  const bySource = {};
  for (const p of positions) bySource[p.source] = (bySource[p.source] || 0) + 1;

  const started = Date.now();
  const expected = positions.map((p) => perftQueenOnly(new Chess(p.fen), depth));
  const chessJsSeconds = (Date.now() - started) / 1000;
  const toolStarted = Date.now();
  const counts = runTool(positions.map((p) => [p.fen, depth]));
  const toolSeconds = (Date.now() - toolStarted) / 1000;

  let failed = 0;
  for (let i = 0; i < positions.length; ++i) {
    if (counts[i] === String(expected[i])) continue;
    failed++;
    console.error(`MISMATCH at depth ${depth}: ${positions[i].fen} (${positions[i].source})`);
    console.error(`  chess.js ${expected[i]}, program ${counts[i]}`);
    if (failed <= 5 && counts[i] !== 'error') console.error(explain(positions[i].fen, depth));
  }
  const leaves = expected.reduce((a, b) => a + b, 0);
  console.log(
    `positions: ${positions.length} (${Object.entries(bySource)
      .map(([k, v]) => `${v} ${k}`)
      .join(', ')}), ${leaves} leaves at depth ${depth}; chess.js ${chessJsSeconds.toFixed(1)} s, perft tool ${toolSeconds.toFixed(1)} s`,
  );
  console.log(`perft: ${positions.length - failed} passed, ${failed} failed`);
  process.exitCode = failed > 0 ? 1 : 0;
}

try {
  main();
} catch (error) {
  console.error(error.message || String(error));
  console.log('perft: 0 passed, 1 failed');
  process.exit(1);
}
