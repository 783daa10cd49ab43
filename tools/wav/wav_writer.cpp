#include "tools/wav/wav_writer.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>


namespace zint {

namespace {

constexpr std::uint16_t kChannels = 2;
constexpr std::uint32_t kHeaderBytes = 44;
constexpr std::size_t kFileBufferBytes = std::size_t{1} << 20;
constexpr std::uint16_t kPcmFormat = 1;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint16_t kBlockAlign = kChannels * kBitsPerSample / 8;
// The RIFF size field counts everything after itself in 32 bits.
constexpr std::uint64_t kMaxDataBytes = std::numeric_limits<std::uint32_t>::max() - (kHeaderBytes - 8);

// Little-endian fields, whatever the machine's own order.
class HeaderBytes {
public:
    void Text(const char* text) { Append(text, 4); }
    void U16(std::uint16_t value) { Put(value, 2); }
    void U32(std::uint32_t value) { Put(value, 4); }
    const std::vector<char>& Bytes() const { return bytes; }

private:
    void Append(const char* data, std::size_t count) { bytes.insert(bytes.end(), data, data + count); }
    void Put(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
    std::vector<char> bytes;
};

}  // namespace

WavWriter::WavWriter(std::string path, int sampleRate) : path(std::move(path)), sampleRate(sampleRate) {}

std::unique_ptr<WavWriter> WavWriter::Open(const std::string& path, int sampleRate, std::string& error) {
    std::unique_ptr<WavWriter> writer(new WavWriter(path, sampleRate));
    // Large writes: the sound comes in a block of a few kilobytes at a time.
    writer->buffer.resize(kFileBufferBytes);
    writer->file.rdbuf()->pubsetbuf(writer->buffer.data(), static_cast<std::streamsize>(writer->buffer.size()));
    writer->file.open(path, std::ios::binary | std::ios::trunc);
    if (!writer->file || !writer->WriteHeader()) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return writer;
}

bool WavWriter::WriteHeader() {
    const auto data = static_cast<std::uint32_t>(dataBytes);
    HeaderBytes header;
    header.Text("RIFF");
    header.U32(kHeaderBytes - 8 + data);
    header.Text("WAVE");
    header.Text("fmt ");
    header.U32(16);
    header.U16(kPcmFormat);
    header.U16(kChannels);
    header.U32(static_cast<std::uint32_t>(sampleRate));
    header.U32(static_cast<std::uint32_t>(sampleRate) * kBlockAlign);
    header.U16(kBlockAlign);
    header.U16(kBitsPerSample);
    header.Text("data");
    header.U32(data);
    file.seekp(0);
    file.write(header.Bytes().data(), static_cast<std::streamsize>(header.Bytes().size()));
    return static_cast<bool>(file);
}

bool WavWriter::Write(std::span<const std::int16_t> samples) {
    const std::uint64_t bytes = samples.size() * 2;
    if (dataBytes + bytes > kMaxDataBytes) return Fail("sound too long for a WAV file");
    if constexpr (std::endian::native == std::endian::little) {
        file.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(bytes));
    } else {
        little.resize(bytes);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto value = static_cast<std::uint16_t>(samples[i]);
            little[2 * i] = static_cast<char>(value & 0xff);
            little[2 * i + 1] = static_cast<char>(value >> 8);
        }
        file.write(little.data(), static_cast<std::streamsize>(bytes));
    }
    dataBytes += bytes;
    return static_cast<bool>(file) || Fail("cannot write");
}

bool WavWriter::Finish() {
    if (!WriteHeader()) return Fail("cannot complete");
    file.close();
    return static_cast<bool>(file) || Fail("cannot complete");
}

bool WavWriter::Fail(const std::string& what) {
    error = path + ": " + what;
    return false;
}

}  // namespace zint
