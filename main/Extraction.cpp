#include "main/Extraction.h"

#include "base/Paths.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace marovan {

namespace {

constexpr std::u16string_view kRecordMarker = u"%%DocumentFiles:";
constexpr std::u16string_view kContinuation = u"%%+";

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

struct LineEnd {
    std::size_t offset; // of its first character
    std::size_t length; // 1 or 2
};

// The first line end at or after `from`: CR LF, a lone CR or a lone LF.
std::optional<LineEnd> FindLineEnd(std::u16string_view text, std::size_t from) {
    const std::size_t found = text.find_first_of(u"\r\n", from);
    if (found == std::u16string_view::npos)
        return std::nullopt;
    const bool crlf = text[found] == u'\r' && found + 1 < text.size() && text[found + 1] == u'\n';
    return LineEnd{found, crlf ? 2u : 1u};
}

} // namespace

std::size_t PositionFrom(std::u16string_view needle, std::u16string_view text,
                         std::ptrdiff_t index) {
    std::size_t start = index <= 0 ? 0 : static_cast<std::size_t>(index);
    if (start >= text.size())
        return 0;
    // 1-based position `index` is the unit at 0-based offset index - 1; only
    // the first unit of a whole pair moves the start.
    if (index > 0 && IsHighSurrogate(text[start - 1]) && IsLowSurrogate(text[start]))
        ++start;
    const std::size_t found = text.find(needle, start);
    return found == std::u16string_view::npos ? 0 : found + 1;
}

bool ExtractLinks(std::u16string_view text, const AddLink& addLink) {
    LinkRecordScanner scanner;
    scanner.Feed(text);
    scanner.Finish();
    for (const auto& path : scanner.Paths())
        addLink(path, FileNameOf(path));
    return scanner.Found();
}

void LinkRecordScanner::Feed(std::u16string_view piece) {
    if (state_ == State::Ended || piece.empty())
        return;
    if (pending_.empty()) {
        // The usual case: the piece is read where it lies, and only its
        // unread end is kept.
        const std::size_t used = Advance(piece);
        pending_.assign(piece.substr(used));
        return;
    }
    pending_ += piece;
    pending_.erase(0, Advance(pending_));
}

void LinkRecordScanner::Finish() {
    finished_ = true;
    Advance(pending_);
    if (state_ != State::SeekingMarker)
        state_ = State::Ended;
    pending_.clear();
    pending_.shrink_to_fit();
}

std::size_t LinkRecordScanner::Advance(std::u16string_view text) {
    std::size_t at = 0;
    for (;;) {
        switch (state_) {
        case State::SeekingMarker: {
            const std::size_t marker =
                PositionFrom(kRecordMarker, text, static_cast<std::ptrdiff_t>(at));
            if (marker == 0) {
                // Keep what could be the start of a marker cut by the piece's end.
                const std::size_t keep = std::min(text.size() - at, kRecordMarker.size() - 1);
                return text.size() - keep;
            }
            at = marker - 1 + kRecordMarker.size();
            lineEndFrom_ = 0;
            state_ = State::InPath;
            break;
        }
        case State::InPath: {
            const auto end = FindLineEnd(text, at + lineEndFrom_);
            // A CR at the very end may be the first half of CR LF.
            if (!end || (!finished_ && end->length == 1 && text[end->offset] == u'\r' &&
                         end->offset + 1 == text.size())) {
                lineEndFrom_ = (end ? end->offset : text.size()) - at;
                return at;
            }
            paths_.emplace_back(text.substr(at, end->offset - at));
            at = end->offset + end->length;
            state_ = State::AfterLineEnd;
            break;
        }
        case State::AfterLineEnd: {
            const std::u16string_view rest = text.substr(at);
            if (rest.size() < kContinuation.size() && !finished_ && kContinuation.starts_with(rest))
                return at;
            if (!rest.starts_with(kContinuation)) {
                state_ = State::Ended;
                return text.size();
            }
            at += kContinuation.size();
            lineEndFrom_ = 0;
            state_ = State::InPath;
            break;
        }
        case State::Ended:
            return text.size();
        }
    }
}

std::size_t FindRecordMarker(std::span<const std::uint8_t> bytes) {
    static constexpr std::string_view kMarkerBytes = "%%DocumentFiles:";
    static_assert(kMarkerBytes.size() == kRecordMarkerLength);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return text.find(kMarkerBytes);
}

void ReplaceNulBytes(std::span<std::uint8_t> bytes) noexcept {
    // Written without a branch so that the compiler can do many bytes at once.
    for (std::uint8_t& byte : bytes)
        byte = byte == 0 ? std::uint8_t{','} : byte;
}

} // namespace marovan
