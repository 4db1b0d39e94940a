#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// A fixed byte queue between one producing and one consuming thread, without
// locks, so the audio callback can read from it.
class RingBuffer
{
public:
    explicit RingBuffer(std::size_t capacity);

    std::size_t capacity() const { return m_storage.size(); }
    std::size_t available() const;
    std::size_t freeSpace() const { return capacity() - available(); }

    // Each copies as much as fits and returns the byte count.
    std::size_t write(const std::uint8_t *data, std::size_t size);
    std::size_t read(std::uint8_t *out, std::size_t size);

private:
    std::vector<std::uint8_t> m_storage;
    // Totals since the start; their difference is the fill level.
    std::atomic<std::size_t> m_written { 0 };
    std::atomic<std::size_t> m_taken { 0 };
};
