#include "host/PluginState.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace fxcorehost {

namespace {

struct ReadCursor {
    const std::vector<unsigned char>* bytes;
    std::size_t position;
};

int64_t readFromMemory(const clap_istream_t* stream, void* buffer, uint64_t size) {
    auto* cursor = static_cast<ReadCursor*>(stream->ctx);
    if (!buffer) return -1;
    const std::size_t left = cursor->bytes->size() - cursor->position;
    const std::size_t n = size < left ? static_cast<std::size_t>(size) : left;
    if (n > 0) std::memcpy(buffer, cursor->bytes->data() + cursor->position, n);
    cursor->position += n;
    return static_cast<int64_t>(n);
}

int64_t writeToMemory(const clap_ostream_t* stream, const void* buffer, uint64_t size) {
    auto* bytes = static_cast<std::vector<unsigned char>*>(stream->ctx);
    if (!buffer && size > 0) return -1;
    // A state is a few kilobytes; anything near this is a runaway writer.
    constexpr uint64_t kMaxStateBytes = 1ull << 30;
    if (size > kMaxStateBytes - bytes->size()) return -1;
    const auto* begin = static_cast<const unsigned char*>(buffer);
    bytes->insert(bytes->end(), begin, begin + size);
    return static_cast<int64_t>(size);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "cannot read '" + path + "': not a regular file";
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    unsigned char chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file.get())) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    if (std::ferror(file.get())) {
        error = "cannot read '" + path + "': " + std::strerror(errno);
        return false;
    }
    return true;
}

bool loadPluginState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                     const std::vector<unsigned char>& bytes) {
    if (!state || !state->load) return false;
    ReadCursor cursor{&bytes, 0};
    clap_istream_t stream{&cursor, &readFromMemory};
    return state->load(plugin, &stream);
}

bool savePluginState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                     std::vector<unsigned char>& bytes) {
    if (!state || !state->save) return false;
    bytes.clear();
    clap_ostream_t stream{&bytes, &writeToMemory};
    return state->save(plugin, &stream);
}

}  // namespace fxcorehost
