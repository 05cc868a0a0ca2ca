#include "base/CodePage.h"

#include <algorithm>
#include <cstring>

namespace marovan {

namespace {

std::size_t DoubleBytePrefix(std::span<const std::uint8_t> bytes, const LeadBytes& lead) {
    std::size_t leadRun = 0;
    while (leadRun < bytes.size() && lead[bytes[bytes.size() - 1 - leadRun]])
        ++leadRun;
    return bytes.size() - leadRun % 2;
}

bool IsUtf8Continuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the sequence a UTF-8 lead byte begins; 1 for a byte that
// begins none (ASCII, or a byte no sequence starts with, which the decoder
// replaces on its own).
std::size_t Utf8SequenceLength(std::uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

std::size_t Utf8Prefix(std::span<const std::uint8_t> bytes) {
    // A sequence is at most 4 bytes long: only the last 3 can start one that
    // the bytes cut off.
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, size); ++back) {
        const std::uint8_t byte = bytes[size - back];
        if (IsUtf8Continuation(byte))
            continue;
        return Utf8SequenceLength(byte) > back ? size - back : size;
    }
    return size;
}

} // namespace

std::size_t WholeCharacterPrefix(std::span<const std::uint8_t> bytes, const CodePageShape& shape) {
    switch (shape.kind) {
    case CodePageShape::Kind::DoubleByte:
        return DoubleBytePrefix(bytes, shape.lead);
    case CodePageShape::Kind::Utf8:
        return Utf8Prefix(bytes);
    case CodePageShape::Kind::SingleByte:
        break;
    }
    return bytes.size();
}

std::size_t CharacterStartAtOrBefore(std::span<const std::uint8_t> bytes, std::size_t position,
                                     const CodePageShape& shape) {
    position = std::min(position, bytes.size());
    const auto endsACharacter = [&shape](std::uint8_t byte) {
        switch (shape.kind) {
        case CodePageShape::Kind::DoubleByte:
            return !shape.lead[byte];
        case CodePageShape::Kind::Utf8:
            return byte < 0x80;
        case CodePageShape::Kind::SingleByte:
            break;
        }
        return true;
    };
    while (position > 0 && !endsACharacter(bytes[position - 1]))
        --position;
    return position;
}

std::size_t StretchKeepingLineEnds(std::span<const std::uint8_t> bytes,
                                   const CodePageShape& shape) {
    if (shape.kind != CodePageShape::Kind::DoubleByte)
        return bytes.size();
    const LeadBytes& lead = shape.lead;
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();
    const auto next = [&](std::uint8_t lineEnd, std::size_t from) -> std::size_t {
        if (from >= size)
            return size;
        const void* found = std::memchr(data + from, lineEnd, size - from);
        return found ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data)
                     : size;
    };
    std::size_t cr = next('\r', 1);
    std::size_t lf = next('\n', 1);
    for (;;) {
        const std::size_t at = std::min(cr, lf);
        if (at >= size)
            return size;
        // The byte before is a lead byte when it ends an odd run of lead values.
        if (lead[data[at - 1]] && DoubleBytePrefix(bytes.first(at), lead) < at)
            return at;
        if (at == cr)
            cr = next('\r', at + 1);
        else
            lf = next('\n', at + 1);
    }
}

} // namespace marovan
