#pragma once
// A 16-bit stereo PCM WAV file written as the sound comes in; the sizes in
// its header are filled in by Finish.
#include <cstdint>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zint {

class WavWriter {
public:
    // Null, with error set, when the file cannot be created.
    static std::unique_ptr<WavWriter> Open(const std::string& path, int sampleRate, std::string& error);

    // Interleaved signed 16-bit stereo samples.
    bool Write(std::span<const std::int16_t> samples);
    bool Finish();
    const std::string& Error() const { return error; }

private:
    WavWriter(std::string path, int sampleRate);
    bool WriteHeader();
    bool Fail(const std::string& what);

    std::string path;
    int sampleRate;
    std::vector<char> buffer;  // the file's own, declared before it so that it outlives it
    std::ofstream file;
    std::vector<char> little;  // the samples in file order, on big-endian machines
    std::uint64_t dataBytes = 0;
    std::string error;
};

}  // namespace zint
