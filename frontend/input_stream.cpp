#include "frontend/input_stream.h"

namespace {

// The reader thread's whole work: one line, its line end included, or what
// comes before the end of the input.
void ReadOneLine(std::FILE* file, ReadAhead* ahead) {
  for (int c = std::getc(file);; c = std::getc(file)) {
    if (c == EOF) {
      ahead->ended = true;
      break;
    }
    ahead->line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  ahead->done.store(true, std::memory_order_release);
}

// Waits for the reader thread, if one is at work, and buffers its line.
void Join(InputStream* in) {
  ReadAhead& ahead = in->ahead;
  if (!ahead.reader.joinable()) return;
  ahead.reader.join();
  in->buffered += ahead.line;
  in->ended = in->ended || ahead.ended;
  ahead.line.clear();
  ahead.ended = false;
  ahead.done.store(false, std::memory_order_relaxed);
}

// The buffered line that starts at `from`: where it ends (its line end
// included, or the end of the input), or false when it is not whole yet.
bool LineEnd(const InputStream& in, std::size_t from, std::size_t* end) {
  const std::size_t lineEnd = in.buffered.find('\n', from);
  if (lineEnd != std::string::npos) {
    *end = lineEnd + 1;
    return true;
  }
  if (!in.ended || from == in.buffered.size()) return false;
  *end = in.buffered.size();
  return true;
}

}  // namespace

int NextChar(InputStream* in) {
  if (in->next == in->buffered.size()) {
    in->buffered.clear();
    in->next = 0;
    Join(in);
    if (in->buffered.empty()) {
      if (in->ended || in->file == nullptr) return EOF;
      const int c = std::getc(in->file);
      if (c == EOF) {
        in->ended = true;
        return EOF;
      }
      in->buffered.push_back(static_cast<char>(c));
    }
  }
  return static_cast<unsigned char>(in->buffered[in->next++]);
}

void PutBack(InputStream* in, int c) {
  if (c != EOF && in->next > 0) --in->next;
}

void Feed(InputStream* in, const std::string& text) { in->buffered += text; }

void StartReadingAhead(InputStream* in) {
  if (in->file == nullptr || in->ended || in->ahead.reader.joinable()) return;
  in->ahead.reader = std::thread(ReadOneLine, in->file, &in->ahead);
}

Arrival PeekLine(InputStream* in, std::string* line) {
  if (in->ahead.done.load(std::memory_order_acquire)) Join(in);
  const std::size_t start = in->next;
  std::size_t end = 0;
  if (!LineEnd(*in, start, &end)) {
    return in->ended && !in->ahead.reader.joinable() ? Arrival::kEndOfInput : Arrival::kNothingYet;
  }
  const bool hasLineEnd = in->buffered[end - 1] == '\n';
  line->assign(in->buffered, start, end - start - (hasLineEnd ? 1 : 0));
  return Arrival::kLine;
}

void DropBufferedLine(InputStream* in) {
  std::size_t end = 0;
  if (LineEnd(*in, in->next, &end)) in->buffered.erase(in->next, end - in->next);
}

void FinishReadingAhead(InputStream* in) { Join(in); }

bool InputEndsSearch(InputStream* in, bool* lineWaits, const std::function<LineEffect(const std::string&)>& effect) {
  if (*lineWaits) return false;
  for (std::string line;;) {
    const Arrival arrival = PeekLine(in, &line);
    if (arrival == Arrival::kEndOfInput) return true;
    if (arrival == Arrival::kNothingYet) {
      StartReadingAhead(in);
      return false;
    }
    switch (effect(line)) {
      case LineEffect::kWaits: *lineWaits = true; return false;
      case LineEffect::kAnsweredAtOnce: DropBufferedLine(in); break;
      case LineEffect::kEndsSearch: return true;
    }
  }
}
