#include "text/EncodingDetector.h"

#include <new>

#include "text/Utf8.h"

namespace tessaro {

namespace {

// The longest UTF-8 sequence, so a shorter rest may be one cut short.
constexpr std::size_t kLongestSequence = 4;

}  // namespace

EncodingDetector::EncodingDetector() : detector_(uchardet_new())
{
    if (!detector_)
        throw std::bad_alloc();
}

std::size_t EncodingDetector::Add(std::string_view bytes, bool last)
{
    const std::size_t used = CheckUtf8(bytes, last);
    uchardet_handle_data(detector_.get(), bytes.data(), used);
    return used;
}

std::string EncodingDetector::Guess()
{
    uchardet_data_end(detector_.get());
    return uchardet_get_charset(detector_.get());
}

std::size_t EncodingDetector::CheckUtf8(std::string_view bytes, bool last)
{
    std::string_view rest = bytes;
    while (wellFormed_ && !rest.empty()) {
        const std::size_t length = Utf8SequenceLength(rest);
        if (length == 0 && !last && rest.size() < kLongestSequence)
            return bytes.size() - rest.size();
        wellFormed_ = length != 0;
        multibyte_ = multibyte_ || length > 1;
        rest.remove_prefix(length);
    }
    return bytes.size();
}

}  // namespace tessaro
