#pragma once

#include <memory>
#include <utility>

namespace Talvex::Data::TSql::Ast {

// An owned, copyable, possibly empty child node: lets the tree nest (an expression inside an
// expression) while keeping value semantics, so whole trees copy and compare with ==.
template <class T> class Box {
public:
    Box() = default;
    Box(T value) : ptr_(std::make_unique<T>(std::move(value))) {}
    Box(const Box& other) : ptr_(other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr) {}
    Box(Box&&) noexcept = default;
    Box& operator=(const Box& other)
    {
        if (this != &other) ptr_ = other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr;
        return *this;
    }
    Box& operator=(Box&&) noexcept = default;
    ~Box() = default;

    explicit operator bool() const { return ptr_ != nullptr; }
    T& operator*() { return *ptr_; }
    const T& operator*() const { return *ptr_; }
    T* operator->() { return ptr_.get(); }
    const T* operator->() const { return ptr_.get(); }

    bool operator==(const Box& other) const
    {
        if (!ptr_ || !other.ptr_) return !ptr_ && !other.ptr_;
        return *ptr_ == *other.ptr_;
    }

private:
    std::unique_ptr<T> ptr_;
};

} // namespace Talvex::Data::TSql::Ast
