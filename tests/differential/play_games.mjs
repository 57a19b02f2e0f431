#!/usr/bin/env node
// Plays games against the chess program in its board-program (xboard) mode
// and checks every step against chess.js:
//   - every move the program plays is legal (a promotion is to a queen),
//   - every legal move we send is taken and answered by exactly one move,
//   - illegal moves, malformed words and no-op commands are dropped silently,
//   - "1-0 {White mates}", "0-1 {Black mates}" and "1/2-1/2 {Stalemate}"
//     appear exactly after the move that mates or stalemates, by either side,
//   - the program never moves in a finished game,
//   - "new", "white" and "black" work at the start of a game, in mid-game
//     and after a finished game, and "quit" or the end of input end the
//     program with status 0.
// The opponent is random (seeded: the same seed plays the same games). One
// program process plays a batch of games separated by "new", so that "new"
// is exercised after finished games and in mid-game.
import { spawn } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import {
  Chess,
  chooseRandomMove,
  itemRng,
  legalCoordinateSet,
  movesWithOutcomes,
  mulberry32,
  parseOptions,
  pick,
  playMove,
  positionKey,
  programLegalMoves,
  randomInt,
  squareName,
  squareOf0x88,
} from './common.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const options = parseOptions(process.argv.slice(2), 'play_games.mjs', {
  games: [200, 'N', 'games to play'],
  seed: [1, 'S', 'seed of the random opponent'],
  'max-plies': [150, 'P', 'a game that lasts P plies ends there'],
  binary: [path.resolve(here, '../../build/chess'), 'PATH', 'the chess program (default build/chess of this repository)'],
  timeout: [30, 'SECONDS', 'longest wait for one answer of the program'],
  'fens-out': ['', 'FILE', 'write the distinct positions met, one FEN a line'],
  'only-game': ['', 'G', 'play only game G of the run (as printed on a failure)'],
  'max-failures': [3, 'F', 'stop after F failed games'],
  'show-moves': [0, '1', 'print the moves of every game ("/" where the sides change)'],
});

const GREETING = 'Hello, please enter your name: ';
const WHITE_MATES = '1-0 {White mates}';
const BLACK_MATES = '0-1 {Black mates}';
const STALEMATE = '1/2-1/2 {Stalemate}';
const COLOUR_WORD = { w: 'white', b: 'black' };

class Failure extends Error {}

const other = (colour) => (colour === 'w' ? 'b' : 'w');

// ---------------------------------------------------------------------------
// The program as a child process, read line by line with a time limit.

class ProgramProcess {
  constructor(binary, timeoutMs) {
    this.binary = binary;
    this.timeoutMs = timeoutMs;
    this.out = '';
    this.err = '';
    this.closed = false;
    this.exit = null;
    this.transcript = [];
    this.wake = null;
  }

  start() {
    this.child = spawn(this.binary, [], { stdio: ['pipe', 'pipe', 'pipe'] });
    this.child.stdout.setEncoding('latin1');
    this.child.stderr.setEncoding('latin1');
    this.child.stdout.on('data', (data) => {
      this.out += data;
      this.notify();
    });
    this.child.stderr.on('data', (data) => (this.err += data));
    const ended = (how) => {
      Object.assign(this, how, { closed: true });
      this.notify();
    };
    this.child.on('error', (error) => ended({ spawnError: error }));
    this.child.on('close', (code, signal) => ended({ exit: { code, signal } }));
    // A program that died is reported by the next read, not by a write.
    this.child.stdin.on('error', () => {});
  }

  notify() {
    const wake = this.wake;
    this.wake = null;
    wake?.();
  }

  note(text) {
    this.transcript.push(text);
    if (this.transcript.length > 60) this.transcript.shift();
  }

  describeEnd() {
    if (this.spawnError) return `the program could not be started: ${this.spawnError.message}`;
    const { code, signal } = this.exit;
    const stderr = this.err ? `; its error output: ${JSON.stringify(this.err.slice(0, 2000))}` : '';
    return signal ? `the program was killed by ${signal}${stderr}` : `the program ended with status ${code}${stderr}`;
  }

  // Waits until `ready()` holds; fails on a time-out or when the program ends first.
  async waitFor(ready, what) {
    const deadline = Date.now() + this.timeoutMs;
    while (!ready()) {
      if (this.closed) throw new Failure(`expected ${what}, but ${this.describeEnd()}`);
      const left = deadline - Date.now();
      if (left <= 0) {
        throw new Failure(
          `expected ${what}, but nothing came for ${this.timeoutMs / 1000} s (a move that the program ` +
            `takes for illegal is dropped without an answer)` +
            (this.out ? ` (partial output ${JSON.stringify(this.out)})` : ''),
        );
      }
      let timer;
      await new Promise((resolve) => {
        this.wake = resolve;
        timer = setTimeout(resolve, left);
      });
      clearTimeout(timer);
    }
  }

  async greet() {
    await this.waitFor(() => this.out.length >= GREETING.length, 'the greeting');
    if (this.out !== GREETING) throw new Failure(`expected the greeting ${JSON.stringify(GREETING)}, got ${JSON.stringify(this.out)}`);
    this.out = '';
    this.note(`< ${JSON.stringify(GREETING)}`);
    this.send('xboard\n');
    const line = await this.nextLine('the end of the greeting line');
    if (line !== '') throw new Failure(`expected a newline after the name, got ${JSON.stringify(line)}`);
  }

  async nextLine(what) {
    await this.waitFor(() => this.out.includes('\n'), what);
    const end = this.out.indexOf('\n');
    const line = this.out.slice(0, end);
    this.out = this.out.slice(end + 1);
    this.note(`< ${line}`);
    return line;
  }

  // Output that nothing we sent should have produced.
  assertQuiet(context) {
    if (this.out.length > 0) throw new Failure(`unexpected output ${JSON.stringify(this.out)} ${context}`);
  }

  send(text) {
    this.note(`> ${JSON.stringify(text)}`);
    if (!this.closed) this.child.stdin.write(text, 'latin1');
  }

  // Sends `text` in two writes a moment apart: words split across reads.
  async sendSplit(text, at) {
    this.send(text.slice(0, at));
    await new Promise((resolve) => setTimeout(resolve, 5));
    this.send(text.slice(at));
  }

  // Ends the program with "quit" (words after it must be ignored) or with
  // the end of its input; it must exit with status 0 and say nothing more.
  async finish(how) {
    if (how === 'quit') this.send('quit\n');
    else if (how === 'quit-then-words') this.send('quit\ne2e4 new white d2d4\n');
    this.child.stdin.end();
    await this.waitFor(() => this.closed, `the program to exit after ${how === 'eof' ? 'the end of its input' : '"quit"'}`);
    if (this.spawnError || this.exit.signal || this.exit.code !== 0) throw new Failure(`at the end: ${this.describeEnd()}`);
    this.assertQuiet('before the program exited');
    if (this.err) throw new Failure(`the program wrote to its error output: ${JSON.stringify(this.err.slice(0, 2000))}`);
  }

  kill() {
    if (!this.closed && this.child) this.child.kill('SIGKILL');
  }
}

// ---------------------------------------------------------------------------
// Words that the program must drop without a sound in the current position.

const KNOWN_COMMANDS = new Set(['new', 'quit', 'white', 'black', 'post', 'hard', 'xboard']);
const looksLikeCommand = (word) => KNOWN_COMMANDS.has(word) || word.startsWith('time');
const COORDINATE = /^[a-h][1-8][a-h][1-8]/;
const onBoard = (file, rank) => file >= 0 && file < 8 && rank >= 0 && rank < 8;
const isPiece = (piece, type, colour) => piece?.type === type && piece.color === colour;

// "e2e4" for every move the pieces could make, legal or not.
function pseudoLegalWords(chess) {
  return [...new Set(chess._moves({ legal: false }).map((m) => squareOf0x88(m.from) + squareOf0x88(m.to)))];
}

// Moves that the pieces could make but that leave the own king in check.
function selfCheckMoves(chess, legal) {
  return pseudoLegalWords(chess).filter((w) => !legal.has(w));
}

// Moves of the program's pieces, as if it were their turn.
function engineSideMoves(chess) {
  const fields = chess.fen().split(' ');
  fields[1] = other(fields[1]);
  fields[3] = '-';
  try {
    return pseudoLegalWords(new Chess(fields.join(' '), { skipValidation: true }));
  } catch {
    return [];
  }
}

// Castling on each side: the king's target file, the right (Black's letter),
// the files between king and rook, and those the king crosses.
const CASTLING = [
  { side: 'g', right: 'k', between: 'fg', crossed: 'fg' },
  { side: 'c', right: 'q', between: 'bcd', crossed: 'dc' },
];

// Castling that is not allowed now, with the reason.
function castlingAttempts(chess, legal) {
  const us = chess.turn();
  const them = other(us);
  const rank = us === 'w' ? '1' : '8';
  if (!isPiece(chess.get(`e${rank}`), 'k', us)) return [];
  const rights = chess.fen().split(' ')[2];
  const onRank = (files) => [...files].map((f) => `${f}${rank}`);
  const attempts = [];
  for (const { side, right, between, crossed } of CASTLING) {
    const word = `e${rank}${side}${rank}`;
    if (legal.has(word)) continue;
    let kind;
    if (!rights.includes(us === 'w' ? right.toUpperCase() : right)) kind = 'castling-without-right';
    else if (onRank(between).some((sq) => chess.get(sq))) kind = 'castling-blocked';
    else if (chess.inCheck()) kind = 'castling-out-of-check';
    else if (onRank(crossed).some((sq) => chess.isAttacked(sq, them))) kind = 'castling-through-check';
    else kind = 'castling-other';
    attempts.push({ word, kind });
  }
  return attempts;
}

// A pawn beside an enemy pawn that did not just come two squares: taking it
// "en passant" is not allowed.
function enPassantLookalikes(chess) {
  const us = chess.turn();
  const rank = us === 'w' ? 4 : 3;
  const ahead = us === 'w' ? 5 : 2;
  const words = [];
  for (let file = 0; file < 8; ++file) {
    if (!isPiece(chess.get(squareName(file, rank)), 'p', us)) continue;
    for (const side of [file - 1, file + 1]) {
      if (onBoard(side, rank) && isPiece(chess.get(squareName(side, rank)), 'p', other(us)) && !chess.get(squareName(side, ahead))) {
        words.push(squareName(file, rank) + squareName(side, ahead));
      }
    }
  }
  return words;
}

const PIECE_VALUES = { p: 1, n: 3, b: 3, r: 5, q: 9, k: 0 };

// Material of `colour` minus that of the other side, in pawns.
function materialBalance(chess, colour) {
  const pieces = chess.board().flat().filter(Boolean);
  return pieces.reduce((balance, piece) => balance + (piece.color === colour ? 1 : -1) * PIECE_VALUES[piece.type], 0);
}

// Pawn moves that break the pawn's own rules: onto a piece straight ahead,
// a double step over a piece or from the wrong rank, a diagonal step onto
// an empty square, a step back.
function wrongPawnMoves(chess) {
  const us = chess.turn();
  const forward = us === 'w' ? 1 : -1;
  const startRank = us === 'w' ? 1 : 6;
  const words = [];
  for (let file = 0; file < 8; ++file) {
    for (let rank = 1; rank < 7; ++rank) {
      const from = squareName(file, rank);
      if (!isPiece(chess.get(from), 'p', us)) continue;
      const one = squareName(file, rank + forward);
      const two = squareName(file, rank + 2 * forward);
      if (chess.get(one)) words.push(from + one);
      if (onBoard(file, rank + 2 * forward) && (rank !== startRank || chess.get(one) || chess.get(two))) words.push(from + two);
      for (const side of [file - 1, file + 1]) {
        if (onBoard(side, rank) && !chess.get(squareName(side, rank + forward))) words.push(from + squareName(side, rank + forward));
      }
      // A pawn stands on ranks 2 to 7: the square behind it is on the board.
      words.push(from + squareName(file, rank - forward));
    }
  }
  return words;
}

const LINES = [[1, 0], [-1, 0], [0, 1], [0, -1]];
const DIAGONALS = [[1, 1], [1, -1], [-1, 1], [-1, -1]];
const SLIDES = { b: DIAGONALS, r: LINES, q: [...LINES, ...DIAGONALS] };
const KING_LEAPS = [[2, 0], [-2, 0], [0, 2], [0, -2], [2, 2], [-2, -2], [2, -2], [-2, 2]];

// Moves of bishops, rooks and queens past the first piece on their way, and
// of kings two squares away other than castling.
function blockedSliderMoves(chess) {
  const words = [];
  for (let file = 0; file < 8; ++file) {
    for (let rank = 0; rank < 8; ++rank) {
      const from = squareName(file, rank);
      const piece = chess.get(from);
      if (!piece || piece.color !== chess.turn()) continue;
      if (piece.type === 'k') {
        for (const [df, dr] of KING_LEAPS) if (onBoard(file + df, rank + dr)) words.push(from + squareName(file + df, rank + dr));
      }
      for (const [df, dr] of SLIDES[piece.type] || []) {
        let blocked = false;
        for (let f = file + df, r = rank + dr; onBoard(f, r); f += df, r += dr) {
          if (blocked) words.push(from + squareName(f, r));
          if (chess.get(squareName(f, r))) blocked = true;
        }
      }
    }
  }
  return words;
}

function randomWord(rng, alphabet, length) {
  return Array.from({ length }, () => pick(rng, alphabet)).join('');
}

// Two squares anywhere on the board.
function randomPair(rng) {
  return squareName(randomInt(rng, 0, 7), randomInt(rng, 0, 7)) + squareName(randomInt(rng, 0, 7), randomInt(rng, 0, 7));
}

const MALFORMED = [
  'e2e9', 'e0e4', 'i2i4', 'e2i4', 'z9z9', 'a9a8', 'h0h1', 'E2E4', 'E7E5', 'e2-e4', 'e2xe4', 'Nf3e5',
  'Nbd2', 'Qxf7', 'O-O-O', '0-0-0', 'exd5', 'e4e5+', '1234', '5000', '0000', '....', '\xe92\xe94', '\xff\xfe\xfd\xfc',
  'a1-a2', '2e4e', 'e22e4', '??', 'hello', 'xyzzy', 'NEW', 'Quit', 'WHITE', 'blacks', 'news', 'quitting', 'whit',
];

function illegalCandidates(chess, rng, engineColour, epSeen) {
  const legal = legalCoordinateSet(chess);
  const us = chess.turn();
  const groups = [];
  const add = (kind, words, weight, commands = false) => {
    const usable = words.filter((w) => commands || (!looksLikeCommand(w) && !(COORDINATE.test(w) && legal.has(w.slice(0, 4)))));
    if (usable.length > 0) groups.push({ kind, words: usable, weight });
  };
  add('leaves-king-in-check', selfCheckMoves(chess, legal), 4);
  for (const attempt of castlingAttempts(chess, legal)) add(attempt.kind, [attempt.word], 1);
  add('en-passant-too-late', epSeen.filter((e) => e.colour === us).map((e) => e.word), 3);
  add('en-passant-not-after-double-step', enPassantLookalikes(chess), 3);
  add('program-piece', engineSideMoves(chess), 2);
  add('pawn-rule-broken', wrongPawnMoves(chess), 2);
  add('path-blocked-or-too-far', blockedSliderMoves(chess), 2);
  const pairs = Array.from({ length: 6 }, () => randomPair(rng));
  add('other-coordinate-pair', pairs, 3);
  add('too-short', [randomWord(rng, 'abcdefgh12345678xq-', randomInt(rng, 1, 3)), 'e2', 'e2e', 'a', 'x7', 'e4'], 1);
  add('malformed', [pick(rng, MALFORMED), randomWord(rng, 'ijklmnopqrstuvwxyz90!#%&*<>', randomInt(rng, 4, 8))], 1);
  const head = pick(rng, [...selfCheckMoves(chess, legal), ...pairs, 'i9i9', 'zzzz']);
  add('long-word', [head + randomWord(rng, 'abcdefgh12345678qrbn', randomInt(rng, 30, 600))], 1);
  // No-op commands: accepted and ignored ("black" when the program already plays Black).
  add('no-op-command', ['post', 'hard', 'time', 'time 12345', 'time12345', COLOUR_WORD[engineColour]], 1, true);
  return groups;
}

function drawIllegalWords(chess, rng, engineColour, epSeen, count) {
  const groups = illegalCandidates(chess, rng, engineColour, epSeen);
  const total = groups.reduce((sum, g) => sum + g.weight, 0);
  const words = [];
  for (let i = 0; i < count && total > 0; ++i) {
    let r = rng() * total;
    const group = groups.find((g) => (r -= g.weight) < 0) || groups[groups.length - 1];
    words.push(pick(rng, group.words));
    stats.illegal[group.kind] = (stats.illegal[group.kind] || 0) + 1;
  }
  return words;
}

const SEPARATORS = [' ', ' ', '\n', '\n', '\t', '  ', ' \n', '\r\n'];
function joinWords(rng, words) {
  return words.map((word, i) => (i > 0 ? pick(rng, SEPARATORS) : '') + word).join('') + '\n';
}

// ---------------------------------------------------------------------------
// One game.

const stats = {
  processes: 0,
  plies: 0,
  programMoves: 0,
  ourMoves: 0,
  promotionsSentWithQ: 0,
  promotionsSentBare: 0,
  programPromotions: 0,
  sideSwitches: 0,
  finishingGames: 0,
  programWhiteAtStart: 0,
  randomOpenings: 0,
  newAfterFinished: 0,
  newInMidGame: 0,
  silentWordsAfterEnd: 0,
  illegal: {},
  results: { [WHITE_MATES]: 0, [BLACK_MATES]: 0, [STALEMATE]: 0, 'left unfinished': 0 },
  resultsAfterOurMove: { [WHITE_MATES]: 0, [BLACK_MATES]: 0, [STALEMATE]: 0 },
};
const positions = new Map();

class Game {
  constructor(number, rng, program, firstInProcess) {
    this.number = number;
    this.rng = rng;
    this.program = program;
    this.firstInProcess = firstInProcess;
    this.chess = new Chess();
    this.moves = [];
    this.switches = []; // plies before which the program changed sides
    this.engineColour = 'b';
    this.result = null;
    this.epSeen = [];
    // In some games, once one side is far ahead, the program plays both
    // sides (we hand it the side to move on every turn of ours) and we only
    // step in to play the winning side's mating, stalemating or promoting
    // move: so result lines also come after our moves, and promotions too.
    this.mayFinish = rng() < 0.4;
    this.finishing = null;
  }

  record() {
    const fen = this.chess.fen({ forceEnpassantSquare: true });
    const key = positionKey(fen);
    if (!positions.has(key)) positions.set(key, fen);
  }

  // After a move by `mover`: the result line exactly when the game is over.
  async checkGameEnd(mover, byUs) {
    let expected = null;
    if (this.chess.isCheckmate()) expected = mover === 'w' ? WHITE_MATES : BLACK_MATES;
    else if (this.chess.isStalemate()) expected = STALEMATE;
    if (expected === null) return;
    const line = await this.program.nextLine(`"${expected}"`);
    if (line !== expected) {
      throw new Failure(`after ${this.moves[this.moves.length - 1]} the game is over: expected "${expected}", got ${JSON.stringify(line)}`);
    }
    this.result = expected;
    if (byUs) stats.resultsAfterOurMove[expected]++;
  }

  // Reads and checks the program's move, which it must play at once.
  async programMoves(cause) {
    const line = await this.program.nextLine(`the program's move ${cause}`);
    const match = /^move ([a-h][1-8])([a-h][1-8])$/.exec(line);
    if (!match) {
      throw new Failure(
        `expected the program's move ${cause}, got ${JSON.stringify(line)}` +
          (line.startsWith('1-0') || line.startsWith('0-1') || line.startsWith('1/2') ? ' (the game is not over)' : ''),
      );
    }
    const [, from, to] = match;
    const mover = this.chess.turn();
    if (mover !== this.engineColour) throw new Failure(`the program moved ${from}${to} for the side it does not play`);
    const candidates = programLegalMoves(this.chess).filter((m) => m.from === from && m.to === to);
    if (candidates.length === 0) {
      throw new Failure(
        `the program played ${from}${to}, which is not legal here ` +
          `(or an earlier word of ours was not dropped and it answers another position)`,
      );
    }
    const move = playMove(this.chess, candidates[0]);
    if (move.promotion) stats.programPromotions++;
    this.moves.push(`${from}${to}`);
    this.record();
    stats.programMoves++;
    stats.plies++;
    await this.checkGameEnd(mover, false);
  }

  async start(maxPlies) {
    const rng = this.rng;
    const words = [];
    if (!this.firstInProcess || rng() < 0.5) words.push('new');
    this.mode = rng() < 0.4 ? 'program-black' : rng() < 0.67 ? 'program-white' : 'random-opening';
    if (this.mode === 'program-white') {
      words.push('white');
      stats.programWhiteAtStart++;
    } else if (this.mode === 'random-opening') {
      stats.randomOpenings++;
      this.openingPlies = randomInt(rng, 4, Math.min(24, maxPlies));
    }
    if (words.length > 0) this.program.send(joinWords(rng, words));
    this.record();
    if (this.mode === 'program-white') {
      this.engineColour = 'w';
      await this.programMoves('after "white" at the start');
    }
  }

  // Gives the program our side (after `words`, which it must drop): it must
  // move at once.
  async switchSides(words = []) {
    const colour = this.chess.turn();
    this.sendWords([...words, COLOUR_WORD[colour]]);
    this.engineColour = colour;
    this.switches.push(this.moves.length);
    stats.sideSwitches++;
    await this.programMoves(`after "${COLOUR_WORD[colour]}"`);
  }

  // Sends words in one go, or now and then in two writes split anywhere.
  async sendWords(words) {
    const text = joinWords(this.rng, words);
    if (this.rng() < 0.04 && text.length > 2) return this.program.sendSplit(text, randomInt(this.rng, 1, text.length - 1));
    this.program.send(text);
  }

  async ourTurn() {
    const rng = this.rng;
    const chess = this.chess;
    this.program.assertQuiet('before our move: the program said more than expected');
    const enPassants = programLegalMoves(chess).filter((m) => m.enPassant);
    this.epSeen.push(...enPassants.map((m) => ({ word: m.from + m.to, colour: chess.turn() })));
    const words = rng() < 0.5 ? drawIllegalWords(chess, rng, this.engineColour, this.epSeen, randomInt(rng, 1, 5)) : [];
    if (this.mayFinish && !this.finishing && this.moves.length >= 20) {
      const balance = materialBalance(chess, 'w');
      if (Math.abs(balance) >= 9) {
        this.finishing = { ply: this.moves.length + 1, winner: balance > 0 ? 'w' : 'b' };
        stats.finishingGames++;
      }
    }
    let finishingMove = null;
    if (this.finishing && chess.turn() === this.finishing.winner) {
      const moves = movesWithOutcomes(chess);
      const mate = moves.find((m) => m.outcome === 'mate');
      const stalemate = moves.find((m) => m.outcome === 'stalemate');
      const promotion = moves.find((m) => m.promotion);
      if (mate) finishingMove = mate;
      else if (stalemate && rng() < 0.4) finishingMove = stalemate;
      else if (promotion && rng() < 0.7) finishingMove = promotion;
    }
    // While finishing, the program plays every move but the winner's finishing one.
    const inOpening = this.mode === 'random-opening' && this.moves.length < this.openingPlies;
    if (this.finishing ? !finishingMove : rng() < (inOpening ? 0.5 : 0.03)) return this.switchSides(words);
    const move = finishingMove || chooseRandomMove(chess, rng);
    // A promotion goes with its piece or without: both mean a queen.
    const withQ = move.promotion && rng() < 0.5;
    const moveWord = move.from + move.to + (withQ ? 'q' : '');
    if (move.promotion) stats[withQ ? 'promotionsSentWithQ' : 'promotionsSentBare']++;
    words.push(moveWord);
    await this.sendWords(words);
    const mover = chess.turn();
    playMove(chess, move);
    this.moves.push(move.from + move.to);
    this.record();
    stats.ourMoves++;
    stats.plies++;
    await this.checkGameEnd(mover, true);
    if (!this.result) await this.programMoves(`in answer to ${moveWord}`);
  }

  // In a finished game: moves of either side and a colour word that would
  // make the program move in a game that goes on must all be ignored.
  afterTheEnd() {
    const rng = this.rng;
    const pairs = Array.from({ length: 4 }, () => randomPair(rng));
    const words = [...pairs.slice(0, randomInt(rng, 0, 4)), COLOUR_WORD[this.chess.turn()]];
    if (rng() < 0.5) words.push(COLOUR_WORD[other(this.chess.turn())], ...engineSideMoves(this.chess).slice(0, 3));
    stats.silentWordsAfterEnd += words.length;
    this.program.send(joinWords(rng, words));
  }

  // The moves, with "/" where the program changed sides.
  movesText() {
    return this.moves.map((move, i) => (this.switches.includes(i) ? `/ ${move}` : move)).join(' ');
  }

  async play(maxPlies) {
    // Some games are left early, so that "new" also comes in mid-game.
    const limit = this.rng() < 0.15 ? randomInt(this.rng, 1, maxPlies) : maxPlies;
    await this.start(maxPlies);
    while (!this.result && this.moves.length < limit) await this.ourTurn();
    if (this.result) {
      stats.results[this.result]++;
      if (this.rng() < 0.7) this.afterTheEnd();
    } else {
      stats.results['left unfinished']++;
    }
  }
}

// ---------------------------------------------------------------------------
// The run: batches of games, each batch in one process.

function printFailure(error, game, program) {
  const lines = [
    `FAILED game ${game.number} (seed ${options.seed}): ${error.message}`,
    `  replay: node play_games.mjs --seed ${options.seed} --max-plies ${options['max-plies']} --only-game ${game.number}`,
    `  program plays: ${game.engineColour === 'w' ? 'White' : 'Black'}`,
    `  moves: ${game.moves.join(' ') || '(none)'}`,
    `  the program's side changed (on "white"/"black") before plies: ${game.switches.map((p) => p + 1).join(' ') || 'never'}`,
    `  FEN: ${game.chess.fen()}`,
    '  last words sent (>) and lines read (<):',
    ...program.transcript.slice(-24).map((t) => `    ${t.length > 160 ? `${t.slice(0, 160)}...` : t}`),
  ];
  if (!(error instanceof Failure)) lines.push(error.stack);
  console.error(lines.join('\n'));
}

async function main() {
  const timeoutMs = options.timeout * 1000;
  const maxPlies = options['max-plies'];
  const batchRng = mulberry32(options.seed ^ 0x5bd1e995);
  const numbers = options['only-game'] !== '' ? [Number(options['only-game'])] : Array.from({ length: options.games }, (_, i) => i + 1);
  let passed = 0;
  let failed = 0;
  const started = Date.now();
  let index = 0;
  while (index < numbers.length && failed < options['max-failures']) {
    const batch = numbers.slice(index, index + (options['only-game'] !== '' ? 1 : randomInt(batchRng, 1, 6)));
    const batchStart = index;
    index += batch.length;
    const finishHow = pick(batchRng, ['quit', 'quit', 'eof', 'quit-then-words']);
    const program = new ProgramProcess(options.binary, timeoutMs);
    stats.processes++;
    program.start();
    let game = null;
    try {
      await program.greet();
      for (let i = 0; i < batch.length; ++i) {
        if (game) stats[game.result ? 'newAfterFinished' : 'newInMidGame']++;
        game = new Game(batch[i], itemRng(options.seed, batch[i]), program, i === 0);
        const gameStart = Date.now();
        await game.play(maxPlies);
        const seconds = ((Date.now() - gameStart) / 1000).toFixed(1);
        console.log(
          `game ${game.number} (process ${stats.processes}): ${game.mode}, ${game.moves.length} plies, ` +
            (game.finishing ? `program plays both sides from ply ${game.finishing.ply}, ` : '') +
            `${game.result || 'left unfinished'}, ${seconds} s`,
        );
        if (options['show-moves']) console.log(`  ${game.movesText()}`);
        if (i < batch.length - 1) passed++;
      }
      await program.finish(finishHow);
      passed++;
    } catch (error) {
      failed++;
      if (game) printFailure(error, game, program);
      else console.error(`FAILED before the first game of a batch (seed ${options.seed}): ${error.message}`);
      program.kill();
      if (!game) break;
      // The games of the batch after the failed one go to a new process.
      index = batchStart + batch.indexOf(game.number) + 1;
    }
  }
  const seconds = (Date.now() - started) / 1000;
  const run = passed + failed;
  console.log(
    `plies: ${stats.plies} (${stats.ourMoves} ours, ${stats.programMoves} the program's); ` +
      `processes: ${stats.processes}; ${run > 0 ? (seconds / run).toFixed(2) : 0} s a game`,
  );
  console.log(
    `results: ${Object.entries(stats.results).map(([k, v]) => `${k}: ${v}`).join(', ')}; ` +
      `of these after our move: ${Object.values(stats.resultsAfterOurMove).join(', ')}`,
  );
  console.log(
    `colours: program White from the start ${stats.programWhiteAtStart}, random openings ${stats.randomOpenings}, ` +
      `side switches ${stats.sideSwitches} (games where the program plays both sides once one is far ahead: ${stats.finishingGames}); "new" after a finished game ${stats.newAfterFinished}, in mid-game ${stats.newInMidGame}`,
  );
  console.log(
    `promotions: ours sent with q ${stats.promotionsSentWithQ}, without ${stats.promotionsSentBare}; the program's ${stats.programPromotions}`,
  );
  const illegalTotal = Object.values(stats.illegal).reduce((a, b) => a + b, 0);
  console.log(
    `dropped words sent: ${illegalTotal} (${Object.entries(stats.illegal)
      .sort()
      .map(([k, v]) => `${k} ${v}`)
      .join(', ')}), after a finished game ${stats.silentWordsAfterEnd}`,
  );
  if (options['fens-out']) writeFileSync(options['fens-out'], [...positions.values()].join('\n') + '\n');
  console.log(`positions: ${positions.size} distinct${options['fens-out'] ? `, written to ${options['fens-out']}` : ''}`);
  if (failed > 0 && failed >= options['max-failures'] && index < numbers.length) {
    console.log(`stopped after ${failed} failed games; ${numbers.length - index} not played`);
  }
  console.log(`differential: ${passed} passed, ${failed} failed`);
  process.exitCode = failed > 0 || passed < numbers.length ? 1 : 0;
}

main().catch((error) => {
  console.error(error.stack || String(error));
  process.exit(1);
});
