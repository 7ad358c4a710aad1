// The program's arrays are numbered from 1 and every access is checked against the bounds.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace core {

template <class T> class OneBased {
  public:
    OneBased() = default;
    explicit OneBased(std::size_t count) : items_(count) {}

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    T& at(std::size_t k) { return items_.at(index(k)); }
    const T& at(std::size_t k) const { return items_.at(index(k)); }
    T& operator[](std::size_t k) { return at(k); }
    const T& operator[](std::size_t k) const { return at(k); }

    void push_back(T value) { items_.push_back(std::move(value)); }
    void clear() { items_.clear(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    bool operator==(const OneBased&) const = default;

  private:
    std::size_t index(std::size_t k) const {
        if (k < 1 || k > items_.size()) {
            throw std::out_of_range("index " + std::to_string(k) + " outside 1.." +
                                    std::to_string(items_.size()));
        }
        return k - 1;
    }

    std::vector<T> items_;
};

} // namespace core
