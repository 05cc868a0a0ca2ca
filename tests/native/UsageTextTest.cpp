// The usage text shipped beside Marovan.exe explains every outcome the table
// can show: a new or reworded outcome text needs its explanation there too.

#include "base/Text.h"
#include "main/Links.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace marovan {
namespace {

std::string UsageText() {
    std::ifstream file(MAROVAN_USAGE_TEXT, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(UsageText, ExplainsEveryOutcomeTextAsTheTableShowsIt) {
    const std::string usage = UsageText();
    ASSERT_FALSE(usage.empty()) << MAROVAN_USAGE_TEXT;
    // The variable parts as the usage text writes them.
    const auto linkWith = [](Outcome outcome, std::u16string source, std::u16string reason) {
        Link link;
        link.path = u"C:\\i\\a.png";
        link.source = std::move(source);
        link.outcome = outcome;
        link.reason = std::move(reason);
        return link;
    };
    const Link links[] = {
        linkWith(Outcome::Copied, u"C:\\i\\a.png", u""),
        linkWith(Outcome::Copied, u"(パス)", u""),
        linkWith(Outcome::AlreadyThere, u"", u""),
        linkWith(Outcome::Replaced, u"", u""),
        linkWith(Outcome::NameTaken, u"", u""),
        linkWith(Outcome::SameAsAbove, u"", u""),
        linkWith(Outcome::KeptExisting, u"", u""),
        linkWith(Outcome::Refused, u"", u"(理由)"),
        linkWith(Outcome::NotFound, u"", u""),
        linkWith(Outcome::NotFound, u"", u"(サーバー)"),
    };
    for (const Link& link : links) {
        const std::string text = Utf8Of(OutcomeText(link));
        ASSERT_FALSE(text.empty());
        EXPECT_NE(usage.find(text), std::string::npos) << "missing from the usage text: " << text;
    }
}

} // namespace
} // namespace marovan
