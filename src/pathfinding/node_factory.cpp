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
    owned_.reset(new (std::nothrow) PathNode[static_cast<size_t>(count)]);
    if (!owned_) return false;
    nodes_ = owned_.get();
    count_ = static_cast<int32_t>(count);
    return true;
}

void NodeFactory::use(PathNode* storage, int32_t count) {
    release();
    if (!storage || count <= 0) return;
    nodes_ = storage;
    count_ = count;
}

void NodeFactory::release() {
    owned_.reset();
    nodes_ = nullptr;
    count_ = 0;
    next_free_ = 0;
}

}  // namespace zorby
