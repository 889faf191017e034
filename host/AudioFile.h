#pragma once
// Reading and writing audio files through libsndfile: WAV and every other
// format it knows. Samples cross as interleaved 32-bit floats, full scale
// +-1.0; integer formats are written with clipping, never wrapping.

#include <sndfile.h>

#include <cstdint>
#include <string>

#include "tools/outputfile/OutputFile.h"

namespace fxcorehost {

struct AudioFormat {
    std::int64_t frames = 0;
    int channels = 0;
    int sampleRate = 0;
    int format = 0;  // libsndfile's SF_FORMAT_* (major | subtype)
};

class AudioReader {
public:
    AudioReader() = default;
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // [main-thread]
    bool open(const std::string& path, std::string& error);
    const AudioFormat& format() const { return m_format; }
    // [main-thread] Reads up to frames frames into interleaved; returns the
    // count read, short only at the end of the file or on an error.
    std::int64_t read(float* interleaved, std::int64_t frames);

private:
    SNDFILE* m_file = nullptr;
    AudioFormat m_format;
};

class AudioWriter {
public:
    AudioWriter() = default;
    ~AudioWriter();  // an unfinished file is discarded
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    // [main-thread] Opens path for the given format: a temporary file beside
    // it, or, for a target that cannot seek (a FIFO, /dev/stdout), a scratch
    // file whose bytes go to the target once complete.
    bool open(const std::string& path, const AudioFormat& format, std::string& error);
    bool write(const float* interleaved, std::int64_t frames, std::string& error);
    // [main-thread] Completes the file and puts it in place.
    bool commit(std::string& error);
    // Whether the audio goes straight into the file open on fd (stdout).
    bool writesTo(int fd) const;

private:
    // [main-thread] The scratch file's bytes to the target.
    bool copyScratch(std::string& cause);

    std::string m_path;
    fxcorefile::OutputFile m_file;
    int m_scratch = -1;  // the scratch file of a target that cannot seek
    SNDFILE* m_sndfile = nullptr;
};

// [main-thread] The output format for path: the container named by its
// extension (WAV without one), the sample encoding of the input when that container takes it,
// else 24-bit PCM, else 32-bit float. False for an unknown extension.
bool chooseOutputFormat(const std::string& path, int inputFormat, int channels, int sampleRate, int& format,
                        std::string& error);

// A short description such as "WAV, 24-bit PCM".
std::string describeFormat(int format);

}  // namespace fxcorehost
