#include "host/PluginState.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace fxcorehost {

namespace {

// The state file as the plug-in reads it: straight from the file, so that a
// huge file is never held in memory (the plug-in reads what it needs and
// refuses the rest).
struct FileCursor {
    std::FILE* file;
    int readError;  // errno of a failed read, 0 while none
};

std::int64_t readFromFile(const clap_istream_t* stream, void* buffer, std::uint64_t size) {
    auto* cursor = static_cast<FileCursor*>(stream->ctx);
    if (!buffer) return -1;
    errno = 0;
    const std::size_t n = std::fread(
        buffer, 1, static_cast<std::size_t>(std::min<std::uint64_t>(size, SIZE_MAX)), cursor->file);
    if (n == 0 && std::ferror(cursor->file)) {
        cursor->readError = errno != 0 ? errno : EIO;
        return -1;
    }
    return static_cast<std::int64_t>(n);
}

// Bytes in memory as the plug-in reads them.
struct MemoryCursor {
    const std::vector<unsigned char>* bytes;
    std::size_t at;
};

std::int64_t readFromMemory(const clap_istream_t* stream, void* buffer, std::uint64_t size) {
    auto* cursor = static_cast<MemoryCursor*>(stream->ctx);
    if (!buffer) return -1;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, cursor->bytes->size() - cursor->at));
    if (n > 0) std::memcpy(buffer, cursor->bytes->data() + cursor->at, n);
    cursor->at += n;
    return static_cast<std::int64_t>(n);
}

std::int64_t writeToMemory(const clap_ostream_t* stream, const void* buffer, std::uint64_t size) {
    auto* bytes = static_cast<std::vector<unsigned char>*>(stream->ctx);
    if (!buffer && size > 0) return -1;
    // A state is a few kilobytes; anything near this is a runaway writer.
    constexpr std::uint64_t kMaxStateBytes = 1ull << 30;
    if (size > kMaxStateBytes - bytes->size()) return -1;
    const auto* begin = static_cast<const unsigned char*>(buffer);
    bytes->insert(bytes->end(), begin, begin + size);
    return static_cast<std::int64_t>(size);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool loadPluginStateFile(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                         const std::string& path, std::string& error) {
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
    FileCursor cursor{file.get(), 0};
    const clap_istream_t stream{&cursor, &readFromFile};
    const bool loaded = state && state->load && state->load(plugin, &stream);
    if (cursor.readError != 0) {
        error = "cannot read '" + path + "': " + std::strerror(cursor.readError);
        return false;
    }
    if (!loaded) {
        error = "the plug-in refused the state in '" + path + "'";
        return false;
    }
    return true;
}

bool loadPluginState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                     const std::vector<unsigned char>& bytes) {
    MemoryCursor cursor{&bytes, 0};
    const clap_istream_t stream{&cursor, &readFromMemory};
    return state && state->load && state->load(plugin, &stream);
}

bool savePluginState(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                     std::vector<unsigned char>& bytes) {
    if (!state || !state->save) return false;
    bytes.clear();
    clap_ostream_t stream{&bytes, &writeToMemory};
    return state->save(plugin, &stream);
}

}  // namespace fxcorehost
