#include "main/Links.h"

#include "base/Text.h"

namespace marovan {

bool Collected(Outcome outcome) noexcept {
    switch (outcome) {
    case Outcome::Copied:
    case Outcome::AlreadyThere:
    case Outcome::Replaced:
    case Outcome::SameAsAbove:
        return true;
    case Outcome::Pending:
    case Outcome::NameTaken:
    case Outcome::KeptExisting:
    case Outcome::Refused:
    case Outcome::NotFound:
        break;
    }
    return false;
}

bool Link::Failed() const noexcept {
    return !Collected(outcome);
}

std::u16string OutcomeText(const Link& link) {
    switch (link.outcome) {
    case Outcome::Copied:
        if (link.source == link.path)
            return u"コピーしました";
        return link.source + u" からコピーしました";
    case Outcome::AlreadyThere:
        return u"保存フォルダに同じファイルがあります";
    case Outcome::Replaced:
        return u"保存フォルダの同名ファイルをごみ箱に移して、コピーしました";
    case Outcome::NameTaken:
        return u"同じ名前の別の画像を先にコピーしたため、コピーしていません";
    case Outcome::SameAsAbove:
        return u"上の行と同じ画像です";
    case Outcome::KeptExisting:
        return u"保存フォルダの同名ファイルを残したため、コピーしていません";
    case Outcome::Refused:
        return u"コピーできませんでした：" + std::u16string(TrimmedReason(link.reason));
    case Outcome::NotFound:
        if (!link.reason.empty())
            return u"見つかりません（" + link.reason + u" が応答しません）";
        return u"見つかりません";
    case Outcome::Pending:
        break;
    }
    return {};
}

std::u16string_view MarkText(Mark mark) noexcept {
    switch (mark) {
    case Mark::Found:
        return u"\u25CB"; // ○
    case Mark::Beside:
        return u"\u25B3"; // △
    case Mark::Missing:
        return u"\u00D7"; // ×
    case Mark::Untested:
        break;
    }
    return {};
}

} // namespace marovan
