#include "sim/WriteEffects.h"

#include <algorithm>

namespace sim {

bool SplitUserBlock(std::span<const std::uint8_t> block, std::vector<std::uint8_t> (&texts)[4])
{
    constexpr std::size_t kLengths = 4;
    if (block.size() < kLengths)
        return false;
    std::size_t at = kLengths;
    for (std::size_t i = 0; i < kLengths; ++i) {
        const std::size_t length = block[i];
        if (length == 0 || at + length > block.size())
            return false;
        const auto text = block.subspan(at, length - 1);
        if (block[at + length - 1] != 0 || std::find(text.begin(), text.end(), 0) != text.end())
            return false;
        texts[i].assign(text.begin(), text.end());
        at += length;
    }
    return at == block.size();
}

std::vector<std::uint8_t> MakeUserBlock(const std::vector<std::uint8_t> (&texts)[4])
{
    std::vector<std::uint8_t> block;
    for (const auto& text : texts)
        block.push_back(std::uint8_t(text.size() + 1));
    for (const auto& text : texts) {
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(0);
    }
    return block;
}

void ApplyWrite(std::uint16_t id, std::span<const std::uint8_t> written, std::vector<std::uint8_t>& stored,
                std::vector<LinkedValue>& linked)
{
    if (id == kBusOptionsId && written.size() < stored.size()) {
        std::copy(written.begin(), written.end(), stored.begin());
        return;
    }
    stored.assign(written.begin(), written.end());
    std::vector<std::uint8_t> texts[4];
    if (id == kUserBlockId && SplitUserBlock(written, texts)) {
        // The unit answers each text with its NUL.
        const std::uint16_t ids[] = {kUserNameId, kUserDateId, kUserCommentsId, kUserActionsId};
        for (std::size_t i = 0; i < 4; ++i) {
            texts[i].push_back(0);
            linked.push_back({ids[i], std::move(texts[i])});
        }
    }
}

} // namespace sim
