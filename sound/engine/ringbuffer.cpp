#include "ringbuffer.h"

#include <algorithm>
#include <cstring>

RingBuffer::RingBuffer(std::size_t capacity) : m_storage(capacity) { }

std::size_t RingBuffer::available() const
{
    return m_written.load(std::memory_order_acquire) - m_taken.load(std::memory_order_acquire);
}

std::size_t RingBuffer::write(const std::uint8_t *data, std::size_t size)
{
    const std::size_t end = m_written.load(std::memory_order_relaxed);
    const std::size_t start = m_taken.load(std::memory_order_acquire);
    const std::size_t count = std::min(size, capacity() - (end - start));
    const std::size_t at = end % capacity();
    const std::size_t first = std::min(count, capacity() - at);
    std::memcpy(m_storage.data() + at, data, first);
    std::memcpy(m_storage.data(), data + first, count - first);
    m_written.store(end + count, std::memory_order_release);
    return count;
}

std::size_t RingBuffer::read(std::uint8_t *out, std::size_t size)
{
    const std::size_t start = m_taken.load(std::memory_order_relaxed);
    const std::size_t end = m_written.load(std::memory_order_acquire);
    const std::size_t count = std::min(size, end - start);
    const std::size_t at = start % capacity();
    const std::size_t first = std::min(count, capacity() - at);
    std::memcpy(out, m_storage.data() + at, first);
    std::memcpy(out + first, m_storage.data(), count - first);
    m_taken.store(start + count, std::memory_order_release);
    return count;
}
