// The picture preloader: one worker thread, a list of pictures in the order they will
// be loaded, and a condition variable the loads wait on.
#include "graphics/picture_preload.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/portable/file_io.h"

namespace zorby {

namespace {

using platform::FileStamp;

bool stamp_of(const std::string& path, FileStamp& out) {
    return platform::regular_file_stamp(path, out);
}

struct Entry {
    PreloadRequest request;
    FileStamp stamp;
    // Written by the worker before done is set (under the lock); read by the
    // taking thread after it saw done.
    bool done = false;
    bool usable = false;
    bool taken = false;
    PreloadedPicture picture;
};

// Surfaces use 512-texel tiles: the texels of a picture that fits one are made ahead.
constexpr int32_t kSurfaceTile = 512;

// Larger than any picture the decoders take (16777216 pixels) could be stored in.
constexpr uint64_t kMaxPictureFile = uint64_t{1} << 30;

void decode(Entry& e, const std::atomic<bool>& stop) {
    std::vector<uint8_t> file;
    if (!platform::read_whole_file(e.request.path, kMaxPictureFile, file)) return;
    // The file must be the one named, unchanged while it was read.
    FileStamp after;
    if (!stamp_of(e.request.path, after) || !(after == e.stamp)) return;
    PixelImage image;
    bool would_speak = false;
    if (!decode_picture_quietly(image, file.data(), file.size(), e.request.key, would_speak)) {
        return;
    }
    PreloadedPicture& p = e.picture;
    p.width = image.width;
    p.height = image.height;
    if (e.request.use == PreloadUse::sprite) {
        // The bytes are what a sprite keeps until it is drawn; the pixels go.
        p.file = std::move(file);
    } else {
        if (!stop.load() && image.width <= kSurfaceTile && image.height <= kSurfaceTile) {
            p.texels = region_texels(image, 0, 0, kSurfaceTile, kSurfaceTile, false);
        }
        p.image = std::move(image);
    }
    e.usable = true;
}

class Preloader {
public:
    ~Preloader() { drop(); }

    void start(const std::vector<PreloadRequest>& requests) {
        drop();
        std::vector<std::unique_ptr<Entry>> entries;
        for (const PreloadRequest& r : requests) {
            auto e = std::make_unique<Entry>();
            e->request = r;
            // A file that is not there now is left to the ordinary load.
            if (!stamp_of(r.path, e->stamp)) continue;
            entries.push_back(std::move(e));
        }
        if (entries.empty()) return;
        std::lock_guard<std::mutex> guard(lock_);
        taken_ = 0;
        entries_ = std::move(entries);
        stop_.store(false);
        try {
            worker_ = std::thread([this] { work(); });
        } catch (const std::system_error&) {
            // A system without threads (a web page without them): every picture is
            // left to the ordinary load.
            entries_.clear();
        }
    }

    bool take(const std::string& path, uint32_t key, PreloadedPicture& out) {
        FileStamp stamp;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (entries_.empty()) return false;
        }
        if (!stamp_of(path, stamp)) return false;
        std::unique_lock<std::mutex> guard(lock_);
        for (auto& e : entries_) {
            if (e->taken || e->request.key != key || !(e->stamp == stamp)) continue;
            done_.wait(guard, [&] { return e->done || stopped_; });
            if (!e->done || !e->usable) return false;
            e->taken = true;
            ++taken_;
            out = std::move(e->picture);
            e->picture = PreloadedPicture{};
            return true;
        }
        return false;
    }

    int taken() {
        std::lock_guard<std::mutex> guard(lock_);
        return taken_;
    }

    void drop() {
        stop_.store(true);
        if (worker_.joinable()) worker_.join();
        std::lock_guard<std::mutex> guard(lock_);
        entries_.clear();
        stopped_ = false;
    }

private:
    void work() {
        size_t count = 0;
        {
            std::lock_guard<std::mutex> guard(lock_);
            count = entries_.size();
        }
        for (size_t i = 0; i < count && !stop_.load(); ++i) {
            Entry result;
            {
                std::lock_guard<std::mutex> guard(lock_);
                result.request = entries_[i]->request;
                result.stamp = entries_[i]->stamp;
            }
            decode(result, stop_);
            std::lock_guard<std::mutex> guard(lock_);
            Entry& e = *entries_[i];
            e.usable = result.usable;
            e.picture = std::move(result.picture);
            e.done = true;
            done_.notify_all();
        }
        std::lock_guard<std::mutex> guard(lock_);
        stopped_ = true;
        done_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable done_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    bool stopped_ = false;  // the worker has finished (or was stopped); under lock_
    int taken_ = 0;         // under lock_
};

Preloader& preloader() {
    static Preloader p;
    return p;
}

}  // namespace

void preload_pictures(const std::vector<PreloadRequest>& requests) {
    preloader().start(requests);
}

bool take_preloaded_picture(const std::string& path, uint32_t key, PreloadedPicture& picture) {
    return preloader().take(path, key, picture);
}

void drop_preloaded_pictures() {
    preloader().drop();
}

int preloaded_pictures_taken() {
    return preloader().taken();
}

}  // namespace zorby
