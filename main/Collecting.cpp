#include "main/Collecting.h"

#include "base/Paths.h"

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
        if (facts && held.facts && SameImage(*held.facts, *facts))
            return {Outcome::SameAsAbove, {}};
        return {Outcome::NameTaken, {}};
    }
    Result result = Place(source, JoinPath(destination_, name), facts);
    if (Collected(result.outcome))
        held_.push_back({std::u16string(name), facts});
    return result;
}

Collector::Result Collector::Place(std::u16string_view source, const std::u16string& target,
                                   const std::optional<FileFacts>& facts) {
    const std::optional<FileFacts> existing = system_.FactsOf(target);
    if (!existing)
        return CopyTo(source, target, Outcome::Copied);
    if (facts && SameImage(*existing, *facts))
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

Collector::Result Collector::CopyTo(std::u16string_view source, const std::u16string& target,
                                    Outcome done) {
    if (auto reason = system_.CopyImage(source, target, keepResponsive_))
        return {Outcome::Refused, std::move(*reason)};
    return {done, {}};
}

} // namespace marovan
