#pragma once
// A main window made of plain data: it records what a collection run shows,
// for the native tests, the Windows tests and the benchmark alike.

#include "main/CollectionRun.h"

#include <map>
#include <string>
#include <vector>

namespace marovan::testing_support {

class RecordingView : public RunView {
public:
    struct Message {
        MessageKind kind;
        std::u16string text;
        bool operator==(const Message&) const = default;
    };

    void ClearDetails() override {
        document = {};
        documentPath.clear();
        documentWhole = false;
        destinationLine.clear();
        progressMax = 1000;
        progress = 0;
        status.clear();
        linksShown = 0;
        insertions.clear();
    }
    void SetStatus(std::u16string_view text) override {
        status = text;
        statusHistory.emplace_back(text);
    }
    void StepProgress() override { ++progress; }
    void SetProgressMax(int maximum) override { progressMax = maximum; }
    void SetDestinationLine(std::u16string_view text) override { destinationLine = text; }
    void BeginDocumentText() override {
        document = {};
        redrawSuspended = true;
    }
    void SetDocument(DocumentBytes bytes, std::u16string_view path, bool whole) override {
        document = std::move(bytes);
        documentPath = path;
        documentWhole = whole;
    }
    void ResumeDocumentRedraw() override { redrawSuspended = false; }
    void LinkAdded() override { ++linksShown; }
    void LinksInserted(std::size_t first, std::size_t count) override {
        insertions.push_back({first, count});
        linksShown += count;
    }
    void LinkChanged(std::size_t index) override { changedLinks.push_back(index); }
    // Ten pixels a character.
    int TextWidth(std::u16string_view text) override {
        measuredTexts.emplace_back(text);
        return static_cast<int>(text.size()) * 10;
    }
    void DocumentsChosen(std::u16string_view) override { ++documentChoices; }
    // Twelve pixels a bold character.
    int BoldTextWidth(std::u16string_view text) override {
        measuredBoldTexts.emplace_back(text);
        return static_cast<int>(text.size()) * 12;
    }
    int ScaledWidth(int width96) override { return width96; }
    void SetColumnWidth(int column, int width) override { columnWidths[column] = width; }
    void KeepResponsive() override { ++responsiveCalls; }
    void ShowMessage(MessageKind kind, std::u16string_view text) override {
        messages.push_back({kind, std::u16string(text)});
    }

    DocumentBytes document; // as the debug view keeps it: what the run read
    std::u16string documentPath;
    bool documentWhole = false; // or the view reads the rest from documentPath
    std::u16string destinationLine;
    std::u16string status;
    std::vector<std::u16string> statusHistory;
    int progress = 0;
    int progressMax = 1000;
    bool redrawSuspended = false;
    std::size_t linksShown = 0;
    struct Insertion {
        std::size_t first;
        std::size_t count;
        bool operator==(const Insertion&) const = default;
    };
    std::vector<Insertion> insertions;
    std::vector<std::size_t> changedLinks;
    int responsiveCalls = 0;
    std::map<int, int> columnWidths;
    std::vector<std::u16string> measuredTexts;
    std::vector<std::u16string> measuredBoldTexts;
    int documentChoices = 0;
    std::vector<Message> messages;
};

} // namespace marovan::testing_support
