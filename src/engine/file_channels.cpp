// File channels: the channel table and the read and write commands.
#include "engine/file_channels.h"

#include <unistd.h>

#include <memory>

#include "engine/engine.h"

namespace zorby {

FileChannels::~FileChannels() { close_all(); }

void FileChannels::close(int n) {
    Channel& c = channels_[n];
    if (c.fd >= 0) ::close(c.fd);
    c = Channel{};
}

void FileChannels::close_all() {
    for (int n = 0; n < kChannels; ++n) close(n);
}

FileChannels& file_channels() {
    Engine& e = engine();
    if (!e.channels) e.channels = std::make_unique<FileChannels>();
    return *e.channels;
}

}  // namespace zorby
