#include "TopLevelIndex.h"

#include "Main.h"

#include <algorithm>

TopLevelIndex::TopLevelIndex(TZvLngFrm &frm) : frm_(frm)
{
    taken_.reserve(frm_.Tree->RootNode()->ChildCount);
    for (PVirtualNode n = frm_.Tree->RootNode()->FirstChild; n; n = n->NextSibling) {
        const RecData *data = frm_.NodeRecord(n);
        if (data && (taken_.empty() || taken_.back().first != data->id))
            taken_.emplace_back(data->id, n);
    }
}

TopLevelIndex::Place TopLevelIndex::Find(uint32_t id)
{
    // The first node whose id is not below `id`, among the nodes taken and those inserted.
    // Ids that ascend, as in the stock blocks and in every saved langpack, find it at or
    // right after where the one before stopped.
    std::size_t at = resume_ > 0 && taken_[resume_ - 1].first < id ? resume_ : 0;
    if (at < taken_.size() && taken_[at].first < id)
        ++at;
    if (at < taken_.size() && taken_[at].first < id)
        at = std::size_t(std::lower_bound(taken_.begin() + std::ptrdiff_t(at), taken_.end(), id,
                                          [](const auto &entry, uint32_t key) { return entry.first < key; }) -
                         taken_.begin());
    resume_ = at;
    const auto taken = taken_.begin() + std::ptrdiff_t(at);
    std::pair<uint32_t, PVirtualNode> first{0, nullptr};
    if (taken != taken_.end())
        first = *taken;
    if (const auto inserted = inserted_.lower_bound(id);
        inserted != inserted_.end() && (!first.second || inserted->first < first.first))
        first = *inserted;

    if (!first.second)
        return Place{nullptr, frm_.Tree->RootNode()->LastChild};
    return Place{first.first == id ? first.second : nullptr, first.second->PrevSibling};
}

PVirtualNode TopLevelIndex::Insert(const Place &place, const RecData &record)
{
    PVirtualNode node = place.prev ? frm_.InsertRecordNode(place.prev, amInsertAfter, record)
                                   : frm_.InsertRecordNode(frm_.Tree->RootNode(), amAddChildFirst, record);
    if (node)
        inserted_.emplace(record.id, node);
    return node;
}
