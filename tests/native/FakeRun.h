#pragma once
// A main window and a system made of plain data, for driving collection runs.

#include "base/Failure.h"
#include "base/Paths.h"
#include "main/CollectionRun.h"
#include "main/FolderSearch.h"
#include "tests/support/RecordingView.h"

#include <iconv.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace marovan::testing_support {

// Code page 932 through iconv. Valid Shift_JIS decodes as on Windows; the
// substitution of undecodable bytes differs and is tested under Wine.
inline std::u16string DecodeCp932(std::span<const std::uint8_t> bytes) {
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv has no CP932");
    std::u16string out(bytes.size() + 1, u'\0');
    auto* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes.data()));
    std::size_t inLeft = bytes.size();
    auto* outPtr = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = out.size() * 2;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            // Stand-in substitute for a byte iconv cannot take.
            ++in;
            --inLeft;
            *reinterpret_cast<char16_t*>(outPtr) = u'\x30FB';
            outPtr += 2;
            outLeft -= 2;
        }
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft / 2);
    return out;
}

struct Event {
    std::string what;
    std::u16string text;
    bool operator==(const Event&) const = default;
};

// The recording view, holding the links as the window does, and keeping the
// order of what the run made visible: marks, copies, opens and messages.
class FakeView : public RecordingView {
public:
    void ClearDetails() override {
        RecordingView::ClearDetails();
        documentText.clear();
        recordedMarks.clear();
    }
    // Decodes as the debug view does when it is shown, after reading the rest
    // of the document from its path when the run did not.
    void SetDocument(DocumentBytes bytes, std::u16string_view path, bool whole) override {
        std::vector<std::uint8_t> shown(bytes.begin(), bytes.end());
        if (!whole) {
            const auto& file = files->at(std::u16string(path));
            shown.insert(shown.end(), file.begin() + static_cast<std::ptrdiff_t>(bytes.size()),
                         file.end());
            std::replace(shown.begin(), shown.end(), std::uint8_t{0}, std::uint8_t{','});
        }
        documentText = DecodeCp932(shown);
        RecordingView::SetDocument(std::move(bytes), path, whole);
    }
    void LinkChanged(std::size_t index) override {
        RecordingView::LinkChanged(index);
        recordedMarks.resize(links.size(), Mark::Untested);
        const Mark mark = links.at(index).mark;
        if (mark != recordedMarks[index])
            events.push_back({"mark", std::u16string(MarkText(mark))});
        recordedMarks[index] = mark;
    }
    void LinksInserted(std::size_t first, std::size_t count) override {
        RecordingView::LinksInserted(first, count);
        if (first <= recordedMarks.size())
            recordedMarks.insert(recordedMarks.begin() + static_cast<std::ptrdiff_t>(first), count,
                                 Mark::Untested);
    }
    void ShowMessage(MessageKind kind, std::u16string_view text) override {
        RecordingView::ShowMessage(kind, text);
        events.push_back({"message", std::u16string(text)});
    }

    Links links; // the run's, as the window keeps them
    DocumentPaths documents;
    std::u16string documentText;
    const std::map<std::u16string, std::vector<std::uint8_t>>* files = nullptr; // the system's
    std::vector<Event> events;
    // The texts of the events of one kind, in order.
    std::vector<std::u16string> EventsOf(std::string_view what) const {
        std::vector<std::u16string> found;
        for (const Event& e : events)
            if (e.what == what)
                found.push_back(e.text);
        return found;
    }

private:
    std::vector<Mark> recordedMarks;
};

class FakeSystem : public RunSystem {
public:
    explicit FakeSystem(FakeView& view)
        : view_(view) {
        view_.files = &files;
    }

    std::u16string DesktopPath() override { return desktop; }
    RunOptions ReadRunOptions() override {
        ++optionReads;
        return options;
    }
    std::optional<std::u16string> PromptFolder(std::u16string_view prompt,
                                               std::u16string_view initialFolder) override {
        ++folderPrompts;
        folderPromptText = prompt;
        folderPromptInitial = initialFolder;
        return folderAnswer;
    }
    std::optional<std::u16string> PromptDocument(std::u16string_view suggested) override {
        documentSuggestion = suggested;
        ++documentPrompts;
        return documentAnswer;
    }
    bool IsFolder(std::u16string_view path) override {
        return folders.count(std::u16string(path)) != 0;
    }
    // Reads the in-memory file in pieces of `pieceSize`, counting the bytes
    // read; a piece that reaches `unreadableFrom` fails as a locked range does.
    class MemoryReader : public DocumentReader {
    public:
        MemoryReader(FakeSystem& system, std::u16string path)
            : system_(system)
            , path_(std::move(path))
            , file_(system.files.at(path_)) {}

        std::size_t ReadPiece(DocumentBytes& bytes) override {
            const std::size_t length = std::min(system_.pieceSize, file_.size() - offset_);
            if (system_.unreadableFrom && length != 0 && offset_ + length > *system_.unreadableFrom)
                throw CannotOpenDocument(path_, kLockedRangeDescription);
            bytes.insert(bytes.end(), file_.begin() + static_cast<std::ptrdiff_t>(offset_),
                         file_.begin() + static_cast<std::ptrdiff_t>(offset_ + length));
            offset_ += length;
            system_.bytesRead += length;
            return length;
        }

    private:
        FakeSystem& system_;
        std::u16string path_;
        const std::vector<std::uint8_t>& file_;
        std::size_t offset_ = 0;
    };
    static constexpr std::u16string_view kLockedRangeDescription =
        u"The process cannot access the file because another process has locked a portion of "
        u"the file.\r\n";

    std::unique_ptr<DocumentReader> OpenDocument(std::u16string_view path) override {
        readPath = path;
        readPaths.emplace_back(path);
        if (readFailure)
            throw CannotOpenDocument(path, *readFailure);
        if (unreadable.count(std::u16string(path)))
            throw CannotOpenDocument(path, u"Access is denied.\r\n");
        if (files.find(std::u16string(path)) == files.end())
            throw CannotOpenDocument(path, u"File not found.\r\n");
        return std::make_unique<MemoryReader>(*this, std::u16string(path));
    }
    CodePageShape AnsiCodePage() override {
        LeadBytes lead{};
        for (int b = 0; b < 256; ++b)
            lead[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        return CodePageShape::DoubleByte(lead);
    }
    // Every piece must end at a character boundary: one that does not would
    // decode differently from the whole document.
    void DecodeAppend(std::span<const std::uint8_t> bytes, std::u16string& text) override {
        decodedPieces.emplace_back(bytes.begin(), bytes.end());
        text += DecodeCp932(bytes);
    }
    std::u16string OutOfMemoryDescription() override { return u"Out of memory."; }
    Presence Locate(std::u16string_view path,
                    const std::function<void()>& keepResponsive) override {
        existenceTests.emplace_back(path);
        if (silentHosts.count(std::u16string(HostOf(path)))) {
            keepResponsive(); // the wait for an answer that never comes
            return Presence::SilentHost;
        }
        return files.count(std::u16string(path)) != 0 ? Presence::File : Presence::NoFile;
    }
    // Each file is its own image: a file of its own identity, and a time of
    // its own unless the test sets one; a copy keeps its source's time.
    std::optional<FileFacts> FactsOf(std::u16string_view path) override {
        const std::u16string key(path);
        const auto file = files.find(key);
        if (file == files.end())
            return std::nullopt;
        auto [time, timed] = times.try_emplace(key, IdOf(key) * 1'000'000'000LL);
        return FileFacts{file->second.size(), time->second};
    }
    std::optional<FileIdentity> IdentityOf(std::u16string_view path) override {
        const std::u16string key(path);
        if (!files.count(key))
            return std::nullopt;
        identityLookups.push_back(key);
        const int id = IdOf(key);
        FileIdentity identity;
        identity.hasId = true;
        identity.id[0] = static_cast<std::uint8_t>(id);
        identity.id[1] = static_cast<std::uint8_t>(id >> 8);
        return identity;
    }
    bool SameFileName(std::u16string_view a, std::u16string_view b) override {
        const auto upper = [](char16_t c) {
            return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
        };
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [&](auto x, auto y) { return upper(x) == upper(y); });
    }
    int CompareFileNames(std::u16string_view a, std::u16string_view b) override {
        return CompareFoldedNames(a, b);
    }
    // The files below a folder, and the folders of `folders`, give its
    // listing; the entries come in the map's order, which is not the order of
    // names without case.
    std::optional<FolderListing> ListFolder(std::u16string_view folder,
                                            const std::function<void()>& keepResponsive) override {
        folderListings.emplace_back(folder);
        if (silentHosts.count(std::u16string(HostOf(folder)))) {
            keepResponsive();
            return std::nullopt;
        }
        std::u16string prefix(folder);
        if (prefix.empty() || prefix.back() != u'\\')
            prefix += u'\\';
        FolderListing listing;
        std::set<std::u16string> seen;
        const auto add = [&](const std::u16string& path, bool isFolder) {
            const std::u16string rest = path.substr(prefix.size());
            const std::size_t separator = rest.find(u'\\');
            if (separator == std::u16string::npos && !isFolder) {
                listing.files.push_back(rest);
                return;
            }
            const std::u16string name = rest.substr(0, separator);
            if (!seen.insert(name).second)
                return;
            FolderListing::Subfolder subfolder;
            const auto flags = folders.find(prefix + name);
            if (flags != folders.end())
                subfolder = flags->second;
            subfolder.name = name;
            listing.subfolders.push_back(subfolder);
        };
        for (auto it = files.lower_bound(prefix);
             it != files.end() && it->first.starts_with(prefix); ++it)
            add(it->first, false);
        for (auto it = folders.lower_bound(prefix);
             it != folders.end() && it->first.starts_with(prefix); ++it)
            add(it->first, true);
        return listing;
    }
    std::optional<std::u16string> CopyImage(std::u16string_view source, std::u16string_view target,
                                            const std::function<void()>& keepResponsive) override {
        view_.events.push_back({"copy", std::u16string(source) + u" -> " + std::u16string(target)});
        keepResponsive();
        if (refusedCopies.count(std::u16string(source)))
            return u"Access is denied.\r\n";
        const std::u16string key(target);
        if (files.count(key))
            return u"The file exists.\r\n";
        FactsOf(source); // its identity and time, before it is copied
        files[key] = files.at(std::u16string(source));
        times[key] = times.at(std::u16string(source));
        return std::nullopt;
    }
    RecycleResult Recycle(std::u16string_view path) override {
        view_.events.push_back({"recycle", std::u16string(path)});
        if (recycling != Recycling::Recycled)
            return {recycling, u"The process cannot access the file.\r\n"};
        const std::u16string key(path);
        trash.push_back(files.at(key));
        files.erase(key);
        ids.erase(key);
        times.erase(key);
        return {Recycling::Recycled, {}};
    }
    void OpenFolder(std::u16string_view folder) override {
        view_.events.push_back({"open", std::u16string(folder)});
    }

    std::u16string desktop = u"C:\\users\\me\\Desktop";
    RunOptions options;
    int optionReads = 0;
    std::optional<std::u16string> folderAnswer = u"D:\\collected";
    std::optional<std::u16string> documentAnswer = u"C:\\work\\doc.ai";
    std::optional<std::u16string> readFailure;
    std::set<std::u16string> unreadable; // files that can be located and copied, not read
    std::map<std::u16string, std::vector<std::uint8_t>> files;
    int documentPrompts = 0;
    int folderPrompts = 0;
    std::u16string folderPromptText;
    std::u16string folderPromptInitial;
    std::u16string documentSuggestion;
    std::u16string readPath;
    std::size_t pieceSize = 64 * 1024;
    std::optional<std::size_t> unreadableFrom; // of the document being read
    std::size_t bytesRead = 0;
    std::vector<std::u16string> readPaths;
    std::vector<std::u16string> existenceTests;
    std::vector<std::vector<std::uint8_t>> decodedPieces;
    std::set<std::u16string> refusedCopies;
    std::set<std::u16string> silentHosts; // shares whose hosts never answer
    // Folders that hold no file, or whose attributes matter, by full path
    // without a trailing separator; the attributes' names are ignored.
    std::map<std::u16string, FolderListing::Subfolder> folders;
    std::vector<std::u16string> folderListings;   // every folder listed, in order
    std::map<std::u16string, std::int64_t> times; // last writes, 100 ns units
    Recycling recycling = Recycling::Recycled;
    std::vector<std::vector<std::uint8_t>> trash;
    // Paths that name one file; each other file has an identity of its own.
    std::map<std::u16string, unsigned> ids;
    std::vector<std::u16string> identityLookups; // every file opened for its identity

private:
    unsigned IdOf(const std::u16string& path) {
        const auto [id, added] = ids.try_emplace(path, nextId);
        if (added)
            ++nextId;
        return id->second;
    }

    FakeView& view_;
    unsigned nextId = 1000;
};

inline std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace marovan::testing_support
