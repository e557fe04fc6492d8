#pragma once

#include <QtGlobal>
#include <algorithm>
#include <memory>
#include <vector>

// A sequence stored in shared, copy-on-write chunks. Copying it copies a few hundred chunk
// pointers, and changing one element afterwards copies only that element's chunk; this is
// what lets the undo ring hold 256 states of a 100 000-entry list cheaply. GUI thread only:
// the uniqueness test that allows writing in place is not thread-safe.
template <typename T> class CowSequence {
public:
    qsizetype size() const { return size_; }
    bool isEmpty() const { return size_ == 0; }

    const T& at(qsizetype i) const
    {
        const qsizetype k = chunkOf(i);
        return (*chunks_[k])[i - starts_[k]];
    }

    void set(qsizetype i, T value)
    {
        const qsizetype k = chunkOf(i);
        writable(k)[i - starts_[k]] = std::move(value);
    }

    void append(T value)
    {
        if (chunks_.empty() || chunks_.back()->size() >= kChunk) {
            starts_.push_back(size_);
            chunks_.push_back(std::make_shared<Chunk>());
            chunks_.back()->reserve(kChunk);
        }
        writable(chunks_.size() - 1).push_back(std::move(value));
        ++size_;
    }

    void insert(qsizetype i, T value)
    {
        if (i >= size_) {
            append(std::move(value));
            return;
        }
        const qsizetype k = chunkOf(i);
        Chunk& c = writable(k);
        c.insert(c.begin() + (i - starts_[k]), std::move(value));
        ++size_;
        for (qsizetype j = k + 1; j < qsizetype(starts_.size()); ++j)
            ++starts_[j];
        if (qsizetype(c.size()) > 2 * kChunk)
            split(k);
    }

    void erase(qsizetype i)
    {
        const qsizetype k = chunkOf(i);
        Chunk& c = writable(k);
        c.erase(c.begin() + (i - starts_[k]));
        --size_;
        for (qsizetype j = k + 1; j < qsizetype(starts_.size()); ++j)
            --starts_[j];
        if (c.empty()) {
            chunks_.erase(chunks_.begin() + k);
            starts_.erase(starts_.begin() + k);
        }
    }

    void clear()
    {
        chunks_.clear();
        starts_.clear();
        size_ = 0;
    }

    void assign(std::vector<T> values)
    {
        clear();
        for (T& v : values)
            append(std::move(v));
    }

    std::vector<T> toVector() const
    {
        std::vector<T> out;
        out.reserve(size_);
        for (const auto& c : chunks_)
            out.insert(out.end(), c->begin(), c->end());
        return out;
    }

    // Calls f(index, element) for every element in order.
    template <typename F> void forEach(F f) const
    {
        qsizetype i = 0;
        for (const auto& c : chunks_) {
            for (const T& v : *c)
                f(i++, v);
        }
    }

    // Index of the first element for which pred holds, -1 when none does.
    template <typename Pred> qsizetype indexWhere(Pred pred) const
    {
        qsizetype i = 0;
        for (const auto& c : chunks_) {
            for (const T& v : *c) {
                if (pred(v))
                    return i;
                ++i;
            }
        }
        return -1;
    }

    bool operator==(const CowSequence& other) const
    {
        if (size_ != other.size_)
            return false;
        if (chunks_ == other.chunks_)
            return true;
        for (qsizetype i = 0; i < size_; ++i) {
            if (!(at(i) == other.at(i)))
                return false;
        }
        return true;
    }

private:
    using Chunk = std::vector<T>;
    static constexpr qsizetype kChunk = 512;

    qsizetype chunkOf(qsizetype i) const
    {
        Q_ASSERT(i >= 0 && i < size_);
        const auto it = std::upper_bound(starts_.begin(), starts_.end(), i);
        return (it - starts_.begin()) - 1;
    }

    Chunk& writable(qsizetype k)
    {
        if (chunks_[k].use_count() > 1)
            chunks_[k] = std::make_shared<Chunk>(*chunks_[k]);
        return *chunks_[k];
    }

    void split(qsizetype k)
    {
        Chunk& c = *chunks_[k];
        auto tail = std::make_shared<Chunk>(c.begin() + kChunk, c.end());
        c.resize(kChunk);
        chunks_.insert(chunks_.begin() + k + 1, std::move(tail));
        starts_.insert(starts_.begin() + k + 1, starts_[k] + kChunk);
    }

    std::vector<std::shared_ptr<Chunk>> chunks_;
    std::vector<qsizetype> starts_; // index of each chunk's first element
    qsizetype size_ = 0;
};
