#include "text/LocaleCodePage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string>

namespace tessaro {

namespace {

// A language with the sub-language and code page of its main locale, which a
// name with an unlisted territory also gets.
struct Language {
    std::string_view code;
    std::uint16_t primary;
    std::uint16_t sub;
    int ansiCodePage;
};

// A territory (and, where the script depends on it, a modifier) whose locale
// differs from the language's main one.
struct Variant {
    std::string_view language;
    std::string_view territory;
    std::string_view modifier;
    std::uint16_t sub;
    int ansiCodePage;
};

// Code page 0 marks a language that Windows gives no ANSI code page.
constexpr std::array kLanguages{
    Language{"af", 0x36, 1, 1252},  Language{"am", 0x5E, 1, 0},     Language{"ar", 0x01, 1, 1256},
    Language{"as", 0x4D, 1, 0},     Language{"az", 0x2C, 1, 1254},  Language{"ba", 0x6D, 1, 1251},
    Language{"be", 0x23, 1, 1251},  Language{"bg", 0x02, 1, 1251},  Language{"bn", 0x45, 1, 0},
    Language{"bo", 0x51, 1, 0},     Language{"br", 0x7E, 1, 1252},  Language{"bs", 0x1A, 5, 1250},
    Language{"ca", 0x03, 1, 1252},  Language{"co", 0x83, 1, 1252},  Language{"cs", 0x05, 1, 1250},
    Language{"cy", 0x52, 1, 1252},  Language{"da", 0x06, 1, 1252},  Language{"de", 0x07, 1, 1252},
    Language{"dsb", 0x2E, 2, 1252}, Language{"dv", 0x65, 1, 0},     Language{"el", 0x08, 1, 1253},
    Language{"en", 0x09, 1, 1252},  Language{"es", 0x0A, 3, 1252},  Language{"et", 0x25, 1, 1257},
    Language{"eu", 0x2D, 1, 1252},  Language{"fa", 0x29, 1, 1256},  Language{"fi", 0x0B, 1, 1252},
    Language{"fil", 0x64, 1, 1252}, Language{"fo", 0x38, 1, 1252},  Language{"fr", 0x0C, 1, 1252},
    Language{"fy", 0x62, 1, 1252},  Language{"ga", 0x3C, 2, 1252},  Language{"gd", 0x91, 1, 1252},
    Language{"gl", 0x56, 1, 1252},  Language{"gu", 0x47, 1, 0},     Language{"ha", 0x68, 1, 1252},
    Language{"he", 0x0D, 1, 1255},  Language{"hi", 0x39, 1, 0},     Language{"hr", 0x1A, 1, 1250},
    Language{"hsb", 0x2E, 1, 1252}, Language{"hu", 0x0E, 1, 1250},  Language{"hy", 0x2B, 1, 0},
    Language{"id", 0x21, 1, 1252},  Language{"ig", 0x70, 1, 1252},  Language{"is", 0x0F, 1, 1252},
    Language{"it", 0x10, 1, 1252},  Language{"iu", 0x5D, 1, 0},     Language{"ja", 0x11, 1, 932},
    Language{"ka", 0x37, 1, 0},     Language{"kk", 0x3F, 1, 1251},  Language{"kl", 0x6F, 1, 1252},
    Language{"km", 0x53, 1, 0},     Language{"kn", 0x4B, 1, 0},     Language{"ko", 0x12, 1, 949},
    Language{"kok", 0x57, 1, 0},    Language{"ky", 0x40, 1, 1251},  Language{"lb", 0x6E, 1, 1252},
    Language{"lo", 0x54, 1, 0},     Language{"lt", 0x27, 1, 1257},  Language{"lv", 0x26, 1, 1257},
    Language{"mi", 0x81, 1, 0},     Language{"mk", 0x2F, 1, 1251},  Language{"ml", 0x4C, 1, 0},
    Language{"mn", 0x50, 1, 1251},  Language{"mr", 0x4E, 1, 0},     Language{"ms", 0x3E, 1, 1252},
    Language{"mt", 0x3A, 1, 0},     Language{"nb", 0x14, 1, 1252},  Language{"ne", 0x61, 1, 0},
    Language{"nl", 0x13, 1, 1252},  Language{"nn", 0x14, 2, 1252},  Language{"no", 0x14, 1, 1252},
    Language{"nso", 0x6C, 1, 1252}, Language{"oc", 0x82, 1, 1252},  Language{"or", 0x48, 1, 0},
    Language{"pa", 0x46, 1, 0},     Language{"pl", 0x15, 1, 1250},  Language{"ps", 0x63, 1, 0},
    Language{"pt", 0x16, 1, 1252},  Language{"rm", 0x17, 1, 1252},  Language{"ro", 0x18, 1, 1250},
    Language{"ru", 0x19, 1, 1251},  Language{"rw", 0x87, 1, 1252},  Language{"sa", 0x4F, 1, 0},
    Language{"sah", 0x85, 1, 1251}, Language{"sd", 0x59, 2, 1256},  Language{"se", 0x3B, 1, 1252},
    Language{"si", 0x5B, 1, 0},     Language{"sk", 0x1B, 1, 1250},  Language{"sl", 0x24, 1, 1250},
    Language{"sq", 0x1C, 1, 1250},  Language{"sr", 0x1A, 10, 1251}, Language{"sv", 0x1D, 1, 1252},
    Language{"sw", 0x41, 1, 1252},  Language{"syr", 0x5A, 1, 0},    Language{"ta", 0x49, 1, 0},
    Language{"te", 0x4A, 1, 0},     Language{"tg", 0x28, 1, 1251},  Language{"th", 0x1E, 1, 874},
    Language{"tk", 0x42, 1, 1250},  Language{"tn", 0x32, 1, 1252},  Language{"tr", 0x1F, 1, 1254},
    Language{"tt", 0x44, 1, 1251},  Language{"ug", 0x80, 1, 1256},  Language{"uk", 0x22, 1, 1251},
    Language{"ur", 0x20, 1, 1256},  Language{"uz", 0x43, 1, 1254},  Language{"vi", 0x2A, 1, 1258},
    Language{"wo", 0x88, 1, 1252},  Language{"xh", 0x34, 1, 1252},  Language{"yo", 0x6A, 1, 1252},
    Language{"zh", 0x04, 2, 936},   Language{"zu", 0x35, 1, 1252},
};

constexpr std::array kVariants{
    // Chinese: the territory chooses between simplified (936) and traditional (950).
    Variant{"zh", "TW", "", 1, 950}, Variant{"zh", "CN", "", 2, 936}, Variant{"zh", "HK", "", 3, 950},
    Variant{"zh", "SG", "", 4, 936}, Variant{"zh", "MO", "", 5, 950},
    // Scripts chosen by a modifier.
    Variant{"sr", "RS", "latin", 9, 1250}, Variant{"sr", "", "latin", 9, 1250}, Variant{"sr", "ME", "", 12, 1251},
    Variant{"sr", "ME", "latin", 11, 1250}, Variant{"uz", "UZ", "cyrillic", 2, 1251},
    Variant{"uz", "", "cyrillic", 2, 1251}, Variant{"ca", "ES", "valencia", 2, 1252},
    // Territories.
    Variant{"ar", "IQ", "", 2, 1256}, Variant{"ar", "EG", "", 3, 1256}, Variant{"ar", "LY", "", 4, 1256},
    Variant{"ar", "DZ", "", 5, 1256}, Variant{"ar", "MA", "", 6, 1256}, Variant{"ar", "TN", "", 7, 1256},
    Variant{"ar", "OM", "", 8, 1256}, Variant{"ar", "YE", "", 9, 1256}, Variant{"ar", "SY", "", 10, 1256},
    Variant{"ar", "JO", "", 11, 1256}, Variant{"ar", "LB", "", 12, 1256}, Variant{"ar", "KW", "", 13, 1256},
    Variant{"ar", "AE", "", 14, 1256}, Variant{"ar", "BH", "", 15, 1256}, Variant{"ar", "QA", "", 16, 1256},
    Variant{"bn", "BD", "", 2, 0}, Variant{"de", "CH", "", 2, 1252}, Variant{"de", "AT", "", 3, 1252},
    Variant{"de", "LU", "", 4, 1252}, Variant{"de", "LI", "", 5, 1252}, Variant{"en", "GB", "", 2, 1252},
    Variant{"en", "AU", "", 3, 1252}, Variant{"en", "CA", "", 4, 1252}, Variant{"en", "NZ", "", 5, 1252},
    Variant{"en", "IE", "", 6, 1252}, Variant{"en", "ZA", "", 7, 1252}, Variant{"en", "JM", "", 8, 1252},
    Variant{"en", "BZ", "", 10, 1252}, Variant{"en", "TT", "", 11, 1252}, Variant{"en", "ZW", "", 12, 1252},
    Variant{"en", "PH", "", 13, 1252}, Variant{"en", "IN", "", 16, 1252}, Variant{"en", "MY", "", 17, 1252},
    Variant{"en", "SG", "", 18, 1252}, Variant{"es", "MX", "", 2, 1252}, Variant{"es", "GT", "", 4, 1252},
    Variant{"es", "CR", "", 5, 1252}, Variant{"es", "PA", "", 6, 1252}, Variant{"es", "DO", "", 7, 1252},
    Variant{"es", "VE", "", 8, 1252}, Variant{"es", "CO", "", 9, 1252}, Variant{"es", "PE", "", 10, 1252},
    Variant{"es", "AR", "", 11, 1252}, Variant{"es", "EC", "", 12, 1252}, Variant{"es", "CL", "", 13, 1252},
    Variant{"es", "UY", "", 14, 1252}, Variant{"es", "PY", "", 15, 1252}, Variant{"es", "BO", "", 16, 1252},
    Variant{"es", "SV", "", 17, 1252}, Variant{"es", "HN", "", 18, 1252}, Variant{"es", "NI", "", 19, 1252},
    Variant{"es", "PR", "", 20, 1252}, Variant{"es", "US", "", 21, 1252}, Variant{"fr", "BE", "", 2, 1252},
    Variant{"fr", "CA", "", 3, 1252}, Variant{"fr", "CH", "", 4, 1252}, Variant{"fr", "LU", "", 5, 1252},
    Variant{"fr", "MC", "", 6, 1252}, Variant{"hr", "BA", "", 4, 1250}, Variant{"it", "CH", "", 2, 1252},
    Variant{"ms", "BN", "", 2, 1252}, Variant{"ne", "IN", "", 2, 0}, Variant{"nl", "BE", "", 2, 1252},
    Variant{"pa", "PK", "", 2, 1256}, Variant{"pt", "PT", "", 2, 1252}, Variant{"ro", "MD", "", 2, 1250},
    Variant{"ru", "MD", "", 2, 1251}, Variant{"se", "SE", "", 2, 1252}, Variant{"se", "FI", "", 3, 1252},
    Variant{"sv", "FI", "", 2, 1252}, Variant{"ta", "LK", "", 2, 0}, Variant{"ur", "IN", "", 2, 1256},
};

constexpr LocaleCodePage kEnglishUnitedStates{0x0409, 1252};

std::string Lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::string Raised(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

struct NameParts {
    std::string language;
    std::string territory;
    std::string modifier;
};

// language[_territory][.codeset][@modifier]; the codeset is dropped.
NameParts SplitLocaleName(std::string_view name)
{
    NameParts parts;
    if (const auto at = name.find('@'); at != std::string_view::npos) {
        parts.modifier = Lowered(name.substr(at + 1));
        name = name.substr(0, at);
    }
    if (const auto dot = name.find('.'); dot != std::string_view::npos)
        name = name.substr(0, dot);
    if (const auto underscore = name.find('_'); underscore != std::string_view::npos) {
        parts.territory = Raised(name.substr(underscore + 1));
        name = name.substr(0, underscore);
    }
    parts.language = Lowered(name);
    return parts;
}

constexpr std::uint32_t MakeLocaleId(std::uint16_t primary, std::uint16_t sub)
{
    return (static_cast<std::uint32_t>(sub) << 10) | primary;
}

const Variant* FindVariant(std::string_view language, std::string_view territory, std::string_view modifier)
{
    const auto found = std::find_if(kVariants.begin(), kVariants.end(), [&](const Variant& entry) {
        return entry.language == language && entry.territory == territory && entry.modifier == modifier;
    });
    return found == kVariants.end() ? nullptr : &*found;
}

}  // namespace

LocaleCodePage LookUpLocale(std::string_view localeName)
{
    const NameParts parts = SplitLocaleName(localeName);
    const auto language = std::find_if(kLanguages.begin(), kLanguages.end(),
                                       [&](const Language& entry) { return entry.code == parts.language; });
    // "C", "POSIX" and the empty name land here along with unknown languages.
    if (language == kLanguages.end())
        return kEnglishUnitedStates;

    // A modifier that does not choose a script (such as "euro") is ignored.
    const Variant* variant = FindVariant(parts.language, parts.territory, parts.modifier);
    if (variant == nullptr)
        variant = FindVariant(parts.language, parts.territory, "");
    if (variant != nullptr)
        return {MakeLocaleId(language->primary, variant->sub), variant->ansiCodePage};
    return {MakeLocaleId(language->primary, language->sub), language->ansiCodePage};
}

std::string ProcessLocaleName()
{
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return {};
}

}  // namespace tessaro
