#include "imaging/JpegLibrary.h"

#include <cstdlib>
#include <new>

#include <jerror.h>

#include "text/Exception.h"

namespace tessaro {

namespace {

JpegErrorManager& ErrorsOf(j_common_ptr object)
{
    // pub is the first member, so the library's pointer is also ours.
    return *reinterpret_cast<JpegErrorManager*>(object->err);
}

void ErrorExit(j_common_ptr object)
{
    JpegErrorManager& errors = ErrorsOf(object);
    errors.messageCode = errors.pub.msg_code;
    std::longjmp(errors.jump, 1);
}

// Warnings and trace messages are neither shown nor counted.
void EmitMessage(j_common_ptr, int) {}

void OutputMessage(j_common_ptr) {}

void FormatMessageText(j_common_ptr, char* buffer)
{
    buffer[0] = '\0';
}

void ResetErrorManager(j_common_ptr object)
{
    object->err->msg_code = 0;
    object->err->num_warnings = 0;
}

// Raises the library's out-of-memory error from inside one of our hooks.
[[noreturn]] void OutOfMemory(j_common_ptr object)
{
    object->err->msg_code = JERR_OUT_OF_MEMORY;
    (*object->err->error_exit)(object);
    std::abort();  // error_exit never returns
}

// The destination that gathers the compressed stream in a byte vector. It
// lives in the library's permanent pool and so goes with the object.
struct VectorDestination {
    jpeg_destination_mgr pub;  // first member: the library sees only this part
    std::vector<std::uint8_t>* bytes;
};

constexpr std::size_t kFirstBufferSize = 64 * 1024;

VectorDestination& DestinationOf(j_compress_ptr info)
{
    return *reinterpret_cast<VectorDestination*>(info->dest);
}

// Grows the vector to size bytes; false when memory runs out. The exception
// stays here: the caller reports the failure through the library.
bool Grow(std::vector<std::uint8_t>& bytes, std::size_t size) noexcept
{
    try {
        bytes.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

void InitDestination(j_compress_ptr info)
{
    VectorDestination& destination = DestinationOf(info);
    destination.bytes->clear();
    if (!Grow(*destination.bytes, kFirstBufferSize))
        OutOfMemory(reinterpret_cast<j_common_ptr>(info));
    destination.pub.next_output_byte = destination.bytes->data();
    destination.pub.free_in_buffer = destination.bytes->size();
}

// Called when the buffer is full: double it and go on after the old end.
boolean EmptyOutputBuffer(j_compress_ptr info)
{
    VectorDestination& destination = DestinationOf(info);
    const std::size_t used = destination.bytes->size();
    if (!Grow(*destination.bytes, used * 2))
        OutOfMemory(reinterpret_cast<j_common_ptr>(info));
    destination.pub.next_output_byte = destination.bytes->data() + used;
    destination.pub.free_in_buffer = destination.bytes->size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr info)
{
    VectorDestination& destination = DestinationOf(info);
    destination.bytes->resize(destination.bytes->size() - destination.pub.free_in_buffer);
}

}  // namespace

namespace detail {

bool RunWithJumpPoint(JpegErrorManager& errors, void (*body)(void*), void* context) noexcept
{
    // Nothing with a destructor lives in this frame or in the frames the jump
    // skips (the library's and the noexcept body's).
    if (setjmp(errors.jump) != 0)
        return false;
    body(context);
    return true;
}

void FailJpeg(j_common_ptr object, const JpegErrorManager& errors)
{
    jpeg_destroy(object);
    throw EJPEG(errors.messageCode);
}

void PrepareErrorManager(JpegErrorManager& errors, j_common_ptr object) noexcept
{
    // Every other field stays zero: trace level 0, no message tables.
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = EmitMessage;
    errors.pub.output_message = OutputMessage;
    errors.pub.format_message = FormatMessageText;
    errors.pub.reset_error_mgr = ResetErrorManager;
    object->err = &errors.pub;
}

}  // namespace detail

JpegCompressor::JpegCompressor()
{
    Run([this]() noexcept { jpeg_create_compress(&Get()); });
}

JpegDecompressor::JpegDecompressor()
{
    Run([this]() noexcept { jpeg_create_decompress(&Get()); });
}

void SetVectorDestination(jpeg_compress_struct& info, std::vector<std::uint8_t>& bytes) noexcept
{
    auto* destination = static_cast<VectorDestination*>(
        (*info.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&info), JPOOL_PERMANENT, sizeof(VectorDestination)));
    destination->pub.init_destination = InitDestination;
    destination->pub.empty_output_buffer = EmptyOutputBuffer;
    destination->pub.term_destination = TermDestination;
    destination->bytes = &bytes;
    info.dest = &destination->pub;
}

}  // namespace tessaro
