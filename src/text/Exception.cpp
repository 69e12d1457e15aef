#include "text/Exception.h"

namespace tessaro {

namespace {

std::string Substitute(std::string_view messageTemplate, std::string_view placeholder, std::string_view value)
{
    std::string result(messageTemplate);
    const auto at = result.find(placeholder);
    if (at != std::string::npos)
        result.replace(at, placeholder.size(), value);
    return result;
}

}  // namespace

std::string FormatMessage(std::string_view messageTemplate, std::string_view value)
{
    return Substitute(messageTemplate, "%s", value);
}

std::string FormatMessage(std::string_view messageTemplate, long long value)
{
    return Substitute(messageTemplate, "%d", std::to_string(value));
}

std::string WithPeriod(std::string_view message)
{
    std::string shown(message);
    if (!shown.empty() && static_cast<unsigned char>(shown.back()) > '.')
        shown += '.';
    return shown;
}

EFOpenError EFOpenError::ForFile(std::string_view fileName)
{
    return EFOpenError(FormatMessage("ファイル %s は開けません", fileName));
}

EFCreateError EFCreateError::ForFile(std::string_view fileName)
{
    return EFCreateError(FormatMessage("ファイル %s を作成できません", fileName));
}

EJPEG::EJPEG(int messageCode)
    : EInvalidGraphic(FormatMessage("JPEG エラー #%d", messageCode)), messageCode_(messageCode)
{
}

}  // namespace tessaro
