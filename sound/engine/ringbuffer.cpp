#include "ringbuffer.h"

#include <algorithm>
#include <cstring>

RingBuffer::RingBuffer(std::size_t capacity) : storage(capacity) { }

std::size_t RingBuffer::available() const
{
    return written.load(std::memory_order_acquire) - taken.load(std::memory_order_acquire);
}

std::size_t RingBuffer::write(const std::uint8_t *data, std::size_t size)
{
    const std::size_t end = written.load(std::memory_order_relaxed);
    const std::size_t start = taken.load(std::memory_order_acquire);
    const std::size_t count = std::min(size, capacity() - (end - start));
    const std::size_t at = end % capacity();
    const std::size_t first = std::min(count, capacity() - at);
    std::memcpy(storage.data() + at, data, first);
    std::memcpy(storage.data(), data + first, count - first);
    written.store(end + count, std::memory_order_release);
    return count;
}

std::size_t RingBuffer::read(std::uint8_t *out, std::size_t size)
{
    const std::size_t start = taken.load(std::memory_order_relaxed);
    const std::size_t end = written.load(std::memory_order_acquire);
    const std::size_t count = std::min(size, end - start);
    const std::size_t at = start % capacity();
    const std::size_t first = std::min(count, capacity() - at);
    std::memcpy(out, storage.data() + at, first);
    std::memcpy(out + first, storage.data(), count - first);
    taken.store(start + count, std::memory_order_release);
    return count;
}
