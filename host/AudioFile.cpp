#include "host/AudioFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "host/ErrorText.h"
#include "tools/outputfile/FileIdentity.h"

namespace fxcorehost {

namespace {

// libsndfile's messages end with a full stop; our lines add their own context.
std::string sndfileMessage(SNDFILE* file) {
    std::string message = sf_strerror(file);
    while (!message.empty() && (message.back() == '.' || message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    const auto newline = message.find('\n');
    if (newline != std::string::npos) message.resize(newline);
    return message;
}

std::string lowerExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// Extensions in common use that libsndfile's format list spells otherwise.
struct ExtensionAlias {
    const char* extension;
    const char* listed;
};
constexpr ExtensionAlias kExtensionAliases[] = {{"aif", "aiff"}, {"wave", "wav"}, {"ogg", "oga"}};

bool majorFormatFor(const std::string& ext, int& major) {
    std::string wanted = ext;
    for (const auto& alias : kExtensionAliases)
        if (wanted == alias.extension) wanted = alias.listed;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof(count));
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof(info)) != 0) continue;
        if (info.extension && (wanted == info.extension || ext == info.extension)) {
            major = info.format;
            return true;
        }
    }
    return false;
}

bool formatValid(int format, int channels, int sampleRate) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    return sf_format_check(&info) != 0;
}

}  // namespace

AudioReader::~AudioReader() {
    if (m_file) sf_close(m_file);
}

bool AudioReader::open(const std::string& path, std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = "cannot open input '" + path + "': " + std::strerror(errno);
        return false;
    }
    // Only a regular file: libsndfile would block for ever opening a FIFO
    // that no one writes to, or read a device without end.
    if (!S_ISREG(st.st_mode)) {
        error = "cannot read input '" + path +
                "': " + (S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file");
        return false;
    }
    SF_INFO info{};
    m_file = sf_open(path.c_str(), SFM_READ, &info);
    if (!m_file) {
        error = "cannot read input '" + path + "': " + sndfileMessage(nullptr);
        return false;
    }
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        error = "cannot read input '" + path + "': it holds no usable audio";
        sf_close(m_file);
        m_file = nullptr;
        return false;
    }
    m_format.frames = info.frames;
    m_format.channels = info.channels;
    m_format.sampleRate = info.samplerate;
    m_format.format = info.format;
    return true;
}

std::int64_t AudioReader::read(float* interleaved, std::int64_t frames) {
    if (!m_file) return 0;
    return sf_readf_float(m_file, interleaved, frames);
}

AudioWriter::~AudioWriter() {
    if (m_sndfile) sf_close(m_sndfile);
    if (m_scratch >= 0) close(m_scratch);
}

bool AudioWriter::open(const std::string& path, const AudioFormat& format, std::string& error) {
    m_path = path;
    std::string cause;
    if (!m_file.open(path, cause)) {
        error = "cannot write " + quoted(path) + ": " + cause;
        return false;
    }
    // libsndfile writes most containers' headers last, seeking back to fill
    // in the sizes; a target that cannot seek gets the finished file's bytes.
    int fd = m_file.fd();
    if (m_file.direct()) {
        m_scratch = fxcorefile::OutputFile::openScratch(cause);
        if (m_scratch < 0) {
            error = "cannot write " + quoted(path) + ": no scratch file: " + cause;
            m_file.discard();
            return false;
        }
        fd = m_scratch;
    }
    SF_INFO info{};
    info.channels = format.channels;
    info.samplerate = format.sampleRate;
    info.format = format.format;
    m_sndfile = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
    if (!m_sndfile) {
        error = "cannot write " + quoted(path) + ": " + sndfileMessage(nullptr);
        m_file.discard();
        return false;
    }
    // Clip samples beyond full scale in integer formats instead of wrapping
    // them round to the opposite sign.
    sf_command(m_sndfile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool AudioWriter::write(const float* interleaved, std::int64_t frames, std::string& error) {
    if (!m_sndfile) {
        error = "cannot write " + quoted(m_path) + ": not open";
        return false;
    }
    if (sf_writef_float(m_sndfile, interleaved, frames) != frames) {
        error = "cannot write " + quoted(m_path) + ": " + sndfileMessage(m_sndfile);
        return false;
    }
    return true;
}

bool AudioWriter::commit(std::string& error) {
    if (!m_sndfile) {
        error = "cannot write " + quoted(m_path) + ": not open";
        return false;
    }
    const int closed = sf_close(m_sndfile);
    m_sndfile = nullptr;
    if (closed != 0) {
        error = "cannot write " + quoted(m_path) + ": " + std::string(sf_error_number(closed));
        m_file.discard();
        return false;
    }
    std::string cause;
    if (m_scratch >= 0 && !copyScratch(cause)) {
        error = "cannot write " + quoted(m_path) + ": " + cause;
        m_file.discard();
        return false;
    }
    if (!m_file.commit(cause)) {
        error = "cannot write " + quoted(m_path) + ": " + cause;
        return false;
    }
    return true;
}

bool AudioWriter::copyScratch(std::string& cause) {
    if (lseek(m_scratch, 0, SEEK_SET) != 0) {
        cause = std::strerror(errno);
        return false;
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = read(m_scratch, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            cause = std::strerror(errno);
            return false;
        }
        if (n == 0) break;
        if (!m_file.writeAll(buffer.data(), static_cast<std::size_t>(n), cause)) return false;
    }
    close(m_scratch);
    m_scratch = -1;
    return true;
}

bool AudioWriter::writesTo(int fd) const {
    return m_file.direct() && fxcorefile::sameOpenFile(m_file.fd(), fd);
}

bool chooseOutputFormat(const std::string& path, int inputFormat, int channels, int sampleRate, int& format,
                        std::string& error) {
    // A name without an extension (/dev/stdout, a FIFO) is written as WAV.
    const std::string ext = lowerExtension(path);
    int major = SF_FORMAT_WAV;
    if (!ext.empty() && !majorFormatFor(ext, major)) {
        error = "cannot write '" + path + "': unknown audio file type '." + ext + "'";
        return false;
    }
    const int subtypes[] = {inputFormat & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_24, SF_FORMAT_FLOAT,
                            SF_FORMAT_PCM_16, SF_FORMAT_VORBIS};
    for (const int subtype : subtypes) {
        if (formatValid(major | subtype, channels, sampleRate)) {
            format = major | subtype;
            return true;
        }
    }
    error = "cannot write '" + path + "': its file type takes no " + std::to_string(channels) +
            "-channel audio at " + std::to_string(sampleRate) + " Hz";
    return false;
}

std::string describeFormat(int format) {
    std::string text;
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof(info)) == 0 && info.name) text = info.name;
    info = SF_FORMAT_INFO{};
    info.format = format & SF_FORMAT_SUBMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof(info)) == 0 && info.name)
        text += (text.empty() ? "" : ", ") + std::string(info.name);
    return text;
}

}  // namespace fxcorehost
