#pragma once
// Owners of libjpeg's compression and decompression objects, and the bridge
// from the library's fatal errors to EJPEG.
//
// The library reports a fatal error by calling error_exit, which must not
// return. Ours jumps back to the guarded call that was running (Run); the
// guard destroys the library object and then raises EJPEG with the library's
// message code. No C++ exception ever passes through the library's C frames:
// the bodies handed to Run are noexcept and only call the library and do plain
// memory work.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <type_traits>
#include <vector>

#include <jpeglib.h>

namespace tessaro {

// The error manager of one library object.
struct JpegErrorManager {
    jpeg_error_mgr pub;  // first member: the library sees only this part
    std::jmp_buf jump;
    int messageCode;
};

namespace detail {

// Calls body(context) with the error manager's jump point set. Returns false
// when the library gave up through error_exit.
bool RunWithJumpPoint(JpegErrorManager& errors, void (*body)(void*), void* context) noexcept;

// Destroys the object and raises EJPEG with the recorded message code.
[[noreturn]] void FailJpeg(j_common_ptr object, const JpegErrorManager& errors);

void PrepareErrorManager(JpegErrorManager& errors, j_common_ptr object) noexcept;

}  // namespace detail

// One library object with its own error manager. It stays where it was made:
// the library keeps pointers into it.
template <class Info>
class JpegObject {
public:
    JpegObject(const JpegObject&) = delete;
    JpegObject& operator=(const JpegObject&) = delete;

    Info& Get() { return info_; }

    // Runs body, a noexcept callable made of library calls. A fatal library
    // error destroys the object and raises EJPEG.
    template <class Body>
    void Run(Body&& body)
    {
        static_assert(std::is_nothrow_invocable_v<Body&>, "library calls must run in a noexcept body");
        using Callable = std::remove_reference_t<Body>;
        auto trampoline = [](void* context) noexcept { (*static_cast<Callable*>(context))(); };
        if (!detail::RunWithJumpPoint(errors_, trampoline, std::addressof(body)))
            detail::FailJpeg(Common(), errors_);
    }

protected:
    JpegObject() { detail::PrepareErrorManager(errors_, Common()); }
    ~JpegObject() { jpeg_destroy(Common()); }

    j_common_ptr Common() { return reinterpret_cast<j_common_ptr>(&info_); }

private:
    JpegErrorManager errors_{};
    Info info_{};
};

class JpegCompressor : public JpegObject<jpeg_compress_struct> {
public:
    JpegCompressor();
};

class JpegDecompressor : public JpegObject<jpeg_decompress_struct> {
public:
    JpegDecompressor();
};

// Makes a byte vector the destination of the compressed stream: it is
// replaced by the complete stream when compression finishes. Call inside Run.
void SetVectorDestination(jpeg_compress_struct& info, std::vector<std::uint8_t>& bytes) noexcept;

}  // namespace tessaro
