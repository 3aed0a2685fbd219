// The planners' node pool.
#include "pathfinding/node_factory.h"

#include <limits>
#include <new>

namespace zorby {

bool NodeFactory::allocate(int64_t count) {
    release();
    if (count < 0 || count > std::numeric_limits<int32_t>::max()) return false;
    if (count == 0) return true;
    // Nodes are filled when taken, so they are left uninitialised here: a large
    // pool costs no time until its nodes are used.
    nodes_.reset(new (std::nothrow) PathNode[static_cast<size_t>(count)]);
    if (!nodes_) return false;
    count_ = static_cast<int32_t>(count);
    return true;
}

void NodeFactory::release() {
    nodes_.reset();
    count_ = 0;
    next_free_ = 0;
}

}  // namespace zorby
