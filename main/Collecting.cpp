#include "main/Collecting.h"

#include "base/Paths.h"
#include "main/ImageIdentity.h"

namespace marovan {

Collector::Collector(RunSystem& system, std::u16string_view destination,
                     std::function<void()> keepResponsive)
    : system_(system)
    , destination_(destination)
    , keepResponsive_(std::move(keepResponsive)) {}

Collector::Result Collector::Collect(std::u16string_view source, std::u16string_view name) {
    const std::optional<FileFacts> facts = system_.FactsOf(source);
    for (const Held& held : held_) {
        if (!system_.SameFileName(held.name, name))
            continue;
        // A source linked again is in the destination already.
        if (facts && held.facts && SameImage(held.source, *held.facts, source, *facts))
            return {Outcome::SameAsAbove, {}};
        return {Outcome::NameTaken, {}};
    }
    Result result = Place(source, JoinPath(destination_, name), facts);
    if (Collected(result.outcome))
        held_.push_back({std::u16string(name), std::u16string(source), facts});
    return result;
}

Collector::Result Collector::Place(std::u16string_view source, const std::u16string& target,
                                   const std::optional<FileFacts>& facts) {
    const std::optional<FileFacts> existing = system_.FactsOf(target);
    if (!existing)
        return CopyTo(source, target, Outcome::Copied);
    if (facts && SameImage(target, *existing, source, *facts))
        return {Outcome::AlreadyThere, {}};
    const RunSystem::RecycleResult recycled = system_.Recycle(target);
    switch (recycled.result) {
    case RunSystem::Recycling::Recycled:
        return CopyTo(source, target, Outcome::Replaced);
    case RunSystem::Recycling::Declined:
        return {Outcome::KeptExisting, {}};
    case RunSystem::Recycling::Failed:
        break;
    }
    return {Outcome::Refused, recycled.reason};
}

bool Collector::SameImage(std::u16string_view a, const FileFacts& factsOfA, std::u16string_view b,
                          const FileFacts& factsOfB) {
    // One file always agrees with itself in size and time, and those come
    // without opening either file; so the files are opened for their
    // identities only when those differ (one written to between the looks).
    if (SameSizeAndTime(factsOfA, factsOfB))
        return true;
    const std::optional<FileIdentity> identityOfA = system_.IdentityOf(a);
    const std::optional<FileIdentity> identityOfB = system_.IdentityOf(b);
    return identityOfA && identityOfB && SameFile(*identityOfA, *identityOfB);
}

Collector::Result Collector::CopyTo(std::u16string_view source, const std::u16string& target,
                                    Outcome done) {
    if (auto reason = system_.CopyImage(source, target, keepResponsive_))
        return {Outcome::Refused, std::move(*reason)};
    return {done, {}};
}

} // namespace marovan
