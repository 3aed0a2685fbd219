// File channels (minimal start-up version; the file channel module replaces it).
#pragma once

namespace zorby {

class FileChannels {
public:
    void close_all() {}
};

}  // namespace zorby
