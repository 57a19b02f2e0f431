// Shared helpers of the differential tests: a seeded random generator, the
// random opponent's choice of move, and move counting with chess.js in the
// program's rules (a pawn that promotes always becomes a queen).
import { parseArgs } from 'node:util';

import { Chess } from 'chess.js';

export { Chess };

// The helpers below use chess.js's internal move lists, which the pinned
// version has; another version may lack them.
const missing = ['_moves', '_makeMove', '_undoMove', '_isKingAttacked'].find((name) => typeof Chess.prototype[name] !== 'function');
if (missing) throw new Error(`chess.js has no ${missing}: install the version pinned in package.json (npm ci)`);

// mulberry32: a small, fast 32-bit generator; the same seed gives the same run.
export function mulberry32(seed) {
  let a = seed >>> 0;
  return function next() {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// A generator for one item (a game, a playout) of a run: independent of the
// other items, so that one game can be replayed on its own.
export function itemRng(seed, item, salt = 0) {
  let h = (Math.imul(seed >>> 0, 0x9e3779b1) ^ Math.imul(item + 1, 0x85ebca77) ^ Math.imul(salt + 7, 0xc2b2ae3d)) >>> 0;
  h = Math.imul(h ^ (h >>> 16), 0x7feb352d) >>> 0;
  h = Math.imul(h ^ (h >>> 15), 0x846ca68b) >>> 0;
  return mulberry32(h ^ (h >>> 16));
}

export function pick(rng, items) {
  return items[Math.floor(rng() * items.length)];
}

export function randomInt(rng, low, high) {
  return low + Math.floor(rng() * (high - low + 1));
}

export const FILES = 'abcdefgh';

export function squareName(file, rank) {
  return FILES[file] + String(rank + 1);
}

// The position part of a FEN (placement, side, castling, en passant): two
// FENs that differ only in the move counters are the same position.
export function positionKey(fen) {
  return fen.split(' ').slice(0, 4).join(' ');
}

// The flag of an en passant capture in chess.js's internal moves.
const EN_PASSANT_FLAG = 8;

export function squareOf0x88(square) {
  return FILES[square & 7] + String(8 - (square >> 4));
}

// The program's pawns always become queens: the other promotions are left out.
const queenOnly = (m) => !m.promotion || m.promotion === 'q';

// Legal moves as the program knows them: promotions to a queen only. Built
// on chess.js's internal move list, which skips the notation that the public
// one computes for every move; `internal` is that list's move.
export function programLegalMoves(chess) {
  return chess
    ._moves({ legal: true })
    .filter(queenOnly)
    .map((m) => ({
      from: squareOf0x88(m.from),
      to: squareOf0x88(m.to),
      promotion: m.promotion,
      captured: m.captured,
      enPassant: (m.flags & EN_PASSANT_FLAG) !== 0,
      internal: m,
    }));
}

// Plays a move of programLegalMoves through the public interface.
export function playMove(chess, move) {
  return chess.move({ from: move.from, to: move.to, promotion: move.promotion });
}

// "e2e4" for every legal move (a promotion is written without its piece).
export function legalCoordinateSet(chess) {
  return new Set(programLegalMoves(chess).map((m) => m.from + m.to));
}

// The moves of programLegalMoves, each with what it leads to (`outcome`):
// "mate", "stalemate" or null.
export function movesWithOutcomes(chess) {
  return programLegalMoves(chess).map((move) => {
    chess._makeMove(move.internal);
    let outcome = null;
    if (chess._moves({ legal: true }).length === 0) outcome = chess._isKingAttacked(chess.turn()) ? 'mate' : 'stalemate';
    chess._undoMove();
    return { ...move, outcome };
  });
}

// The random opponent's preferences, tried in turn: moves that end the game,
// promote, push a pawn or capture, each kind taken with its probability, so
// that mates and stalemates by both sides and promotions show up in short games.
const PREFERENCES = [
  [(m) => m.outcome === 'mate', 0.85],
  [(m) => m.outcome === 'stalemate', 0.5],
  [(m) => m.promotion, 0.6],
  [(m) => m.internal.piece === 'p' && !m.captured, 0.2],
  [(m) => m.captured, 0.25],
];

// The random opponent: a legal move drawn at random, with those preferences.
export function chooseRandomMove(chess, rng) {
  const moves = movesWithOutcomes(chess);
  if (moves.length === 0) return null;
  for (const [wanted, probability] of PREFERENCES) {
    const preferred = moves.filter(wanted);
    if (preferred.length > 0 && rng() < probability) return pick(rng, preferred);
  }
  return pick(rng, moves);
}

// Two ways through chess.js's tree of moves: its internal move lists, which
// skip the notation that the public ones compute for every move, and the
// public interface, slow, to check the first against the library's
// documented behaviour.
export const INTERNAL = {
  moves: (chess) => chess._moves({ legal: true }),
  make: (chess, move) => chess._makeMove(move),
  undo: (chess) => chess._undoMove(),
};
export const PUBLIC = {
  moves: (chess) => chess.moves({ verbose: true }),
  make: (chess, move) => chess.move(move),
  undo: (chess) => chess.undo(),
};

// The number of leaves of the tree of legal moves `depth` plies deep, each
// promotion counted once (as a queen).
export function perftQueenOnly(chess, depth, walk = INTERNAL) {
  if (depth === 0) return 1;
  const moves = walk.moves(chess).filter(queenOnly);
  if (depth === 1) return moves.length;
  let leaves = 0;
  for (const m of moves) {
    walk.make(chess, m);
    leaves += perftQueenOnly(chess, depth - 1, walk);
    walk.undo(chess);
  }
  return leaves;
}

// Parses "--name value" options of the script `script`; `table` maps each
// name to its default value, the name of its value and its help (a number
// default makes the option numeric and is shown in the help, an array
// collects repeats).
export function parseOptions(argv, script, table) {
  const help = Object.entries(table).map(([name, [value, valueName, text]]) => {
    const shownDefault = typeof value === 'number' ? ` (default ${value})` : '';
    return `  ${`--${name} ${valueName}`.padEnd(18)}${text}${shownDefault}`;
  });
  const usage = [`usage: node ${script} [options]`, ...help].join('\n');
  const optionTypes = { help: { type: 'boolean', short: 'h' } };
  for (const [name, [value]] of Object.entries(table)) optionTypes[name] = { type: 'string', multiple: Array.isArray(value) };
  let values;
  try {
    ({ values } = parseArgs({ args: argv, options: optionTypes }));
  } catch (error) {
    console.error(`${error.message}\n${usage}`);
    process.exit(2);
  }
  if (values.help) {
    console.log(usage);
    process.exit(0);
  }
  const options = {};
  for (const [name, [value]] of Object.entries(table)) {
    const text = values[name];
    options[name] = text === undefined ? value : typeof value === 'number' ? Number(text) : text;
    if (Array.isArray(value)) options[name] = [...value, ...(text || [])];
    if (typeof value === 'number' && !(Number.isInteger(options[name]) && options[name] >= 0)) {
      console.error(`--${name} needs a whole number, not ${text}`);
      process.exit(2);
    }
  }
  return options;
}
