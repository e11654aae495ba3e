// The top level of the main window's tree by id.
//
// The document keeps its top-level nodes in ascending id order (compared as unsigned
// 32-bit numbers). Where a record of a langpack or of the stock table goes is found as a
// scan from the first top-level node would find it, the first node whose id is not below
// the record's, but without the scan: a langpack in any order is laid over the tree in
// time that grows with its records, not with their square.
//
// The index is taken of the tree as it stands and stays true while top-level nodes are
// added only through Insert and none is deleted.
#pragma once

#include "platform/VirtualTree.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class TZvLngFrm;
struct RecData;

class TopLevelIndex {
public:
    explicit TopLevelIndex(TZvLngFrm &frm);

    struct Place {
        PVirtualNode node = nullptr;  // the node of the id, or null
        PVirtualNode prev = nullptr;  // the last node before the id's place, or null
    };

    Place Find(uint32_t id);

    // A new top-level node holding `record` at `place`, which Find gave for the record's
    // id without a node.
    PVirtualNode Insert(const Place &place, const RecData &record);

private:
    TZvLngFrm &frm_;
    // The first node of every id: of the top level the index was taken of (ascending, as
    // the tree has it), and of the nodes inserted since.
    std::vector<std::pair<uint32_t, PVirtualNode>> taken_;
    std::map<uint32_t, PVirtualNode> inserted_;
    // Where the last Find stopped among the nodes taken: every node before it has a smaller
    // id than the one looked for.
    std::size_t resume_ = 0;
};
