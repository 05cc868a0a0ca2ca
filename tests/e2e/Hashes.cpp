#include "tests/e2e/Hashes.h"

#include "tests/e2e/Remote.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace marovan::e2e {

namespace fs = std::filesystem;

Hash Fnv1a(std::span<const std::uint8_t> bytes, Hash hash) {
    constexpr Hash kPrime = 0x100000001b3ull;
    // Eight bytes at a time, so that documents of gigabytes hash in seconds.
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        Hash word = 0;
        std::memcpy(&word, bytes.data() + i, 8);
        hash = (hash ^ word) * kPrime;
    }
    for (; i < bytes.size(); ++i)
        hash = (hash ^ bytes[i]) * kPrime;
    return hash;
}

Hash HashFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw DriverError(L"cannot read " + file.wstring());
    std::vector<std::uint8_t> piece(1u << 20);
    Hash hash = kFnvOffset;
    while (in) {
        in.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
        hash = Fnv1a(std::span(piece).first(static_cast<std::size_t>(in.gcount())), hash);
    }
    if (in.bad())
        throw DriverError(L"cannot read " + file.wstring());
    return hash;
}

Hashes HashesOf(const fs::path& fileOrFolder) {
    Hashes hashes;
    if (!fs::is_directory(fileOrFolder)) {
        if (fs::exists(fileOrFolder))
            hashes[fileOrFolder.filename().wstring()] = HashFile(fileOrFolder);
        return hashes;
    }
    for (const auto& entry : fs::recursive_directory_iterator(fileOrFolder)) {
        const std::wstring name = fs::relative(entry.path(), fileOrFolder).wstring();
        if (entry.is_directory())
            hashes[name + L"\\"] = 0;
        else
            hashes[name] = HashFile(entry.path());
    }
    return hashes;
}

Hashes HashesOfFiles(const std::map<std::wstring, Bytes>& files) {
    Hashes hashes;
    for (const auto& [name, bytes] : files)
        hashes[name] = Fnv1a(bytes);
    return hashes;
}

Snapshot::Snapshot(std::vector<fs::path> paths) {
    for (fs::path& path : paths) {
        Hashes hashes = HashesOf(path);
        taken_.emplace_back(std::move(path), std::move(hashes));
    }
}

void Snapshot::ExpectUnchanged() const {
    for (const auto& [path, before] : taken_)
        EXPECT_EQ(HashesOf(path), before) << Utf8(path.wstring()) << " changed";
}

bool IsProgramsLastBox(const MessageBoxContent& box) {
    for (const std::wstring_view start :
         {L"画像収集が完了しました。", L"一部画像の収集を失敗しました！",
          L"リンク情報は見つかりませんでした。"})
        if (box.text.starts_with(start))
            return true;
    return box.caption == L"Marovan";
}

RunOutcome AnswerUntilLastBox(const Marovan& app, std::chrono::milliseconds patience) {
    const auto start = std::chrono::steady_clock::now();
    RunOutcome outcome;
    auto boxes = app.AnswerMessageBoxesUntil(
        [&](const MessageBoxContent& box) {
            if (IsProgramsLastBox(box)) {
                outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start);
                return true;
            }
            return false;
        },
        patience);
    outcome.last = boxes.back();
    boxes.pop_back();
    outcome.systemBoxes = std::move(boxes);
    return outcome;
}

RunOutcome CollectAndAnswer(const Marovan& app, const fs::path& destination,
                            const fs::path& document, std::chrono::milliseconds patience) {
    app.Collect(destination, document);
    return AnswerUntilLastBox(app, patience);
}

void ExpectBox(const MessageBoxContent& box, std::wstring_view caption, std::wstring_view text,
               Icon icon) {
    EXPECT_EQ(Utf8(box.caption), Utf8(caption)) << "caption of the box saying " << Utf8(box.text);
    EXPECT_EQ(Utf8(box.text), Utf8(text));
    EXPECT_EQ(Utf8(NameOf(box.icon)), Utf8(NameOf(icon))) << "icon of the box " << Utf8(box.text);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"}) << "buttons of " << Utf8(box.text);
}

void ExpectSummary(const MessageBoxContent& box, const std::vector<std::wstring>& marks,
                   std::size_t refused, bool documentRefused) {
    std::size_t failures = refused;
    for (const auto& mark : marks)
        failures += mark == L"×";
    const std::wstring successes = std::to_wstring(marks.size() - failures);
    const std::wstring counts =
        failures == 0 ? L"画像収集が完了しました。\r\n成功：  " + successes + L"個\r\n失敗：  0個"
                      : L"一部画像の収集を失敗しました！\r\n成功：  " + successes +
                            L"個\r\n失敗：  " + std::to_wstring(failures) + L"個";
    if (!documentRefused) {
        if (failures == 0)
            ExpectBox(box, L"情報", counts, Icon::Information);
        else
            ExpectBox(box, L"エラー", counts, Icon::Error);
        return;
    }
    // The reason is the system's own words.
    const std::wstring line = counts + L"\r\nAIファイルをコピーできませんでした：";
    EXPECT_EQ(Utf8(box.caption), Utf8(L"エラー"));
    EXPECT_EQ(box.icon, Icon::Error);
    EXPECT_EQ(Utf8(box.text.substr(0, line.size())), Utf8(line));
    EXPECT_GT(box.text.size(), line.size()) << "the document copy's reason is missing";
}

void ExpectNoSystemBoxes(const RunOutcome& outcome) {
    for (const auto& box : outcome.systemBoxes)
        ADD_FAILURE() << "the system showed a box of its own: '" << Utf8(box.caption) << "' "
                      << Utf8(box.text);
}

LinkRows ReadLinkRows(const Marovan& app) {
    LinkRows rows;
    const std::size_t count = app.TableRowCount();
    for (std::size_t row = 1; row + 1 < count; ++row) {
        rows.marks.push_back(app.TableCell(row, 1));
        rows.fileNames.push_back(app.TableCell(row, 2));
        rows.paths.push_back(app.TableCell(row, 3));
    }
    if (count >= 2) {
        EXPECT_EQ(app.TableCell(count - 1, 3), L"") << "the last row stays empty";
    }
    return rows;
}

void EmptyFolder(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        fs::remove_all(entry.path());
}

} // namespace marovan::e2e
