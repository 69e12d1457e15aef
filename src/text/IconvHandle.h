#pragma once
// A move-only owner of an iconv conversion descriptor.

#include <iconv.h>

namespace tessaro {

class IconvHandle {
public:
    IconvHandle() = default;
    // Opens a converter between two iconv encoding names; empty when iconv
    // does not know one of them.
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    IconvHandle(IconvHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = None(); }
    IconvHandle& operator=(IconvHandle&&) = delete;
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    ~IconvHandle()
    {
        if (handle_ != None())
            iconv_close(handle_);
    }

    iconv_t Get() const { return handle_; }
    explicit operator bool() const { return handle_ != None(); }

private:
    // iconv_open's failure value.
    static iconv_t None() { return reinterpret_cast<iconv_t>(-1); }

    iconv_t handle_ = None();
};

}  // namespace tessaro
