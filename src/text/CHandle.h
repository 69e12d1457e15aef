#pragma once
// A move-only owner of a C library's handle, released by the library's own
// function when the owner goes: CHandle<hb_font_t, hb_font_destroy>.

#include <memory>

namespace tessaro {

template <auto Release>
struct CHandleRelease {
    template <class T>
    void operator()(T* handle) const
    {
        Release(handle);
    }
};

template <class T, auto Release>
using CHandle = std::unique_ptr<T, CHandleRelease<Release>>;

}  // namespace tessaro
