#include "platform/foundation/UnicodeNormalization.hpp"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace platform::foundation {

std::string precomposedStringWithCanonicalMapping(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return std::string(text);
    // Text that is already composed (nearly all identifiers) is returned without a conversion.
    const icu::UnicodeString source =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    if (source.isBogus()) return std::string(text);
    if (nfc->isNormalized(source, status) && U_SUCCESS(status)) return std::string(text);
    status = U_ZERO_ERROR;
    const icu::UnicodeString composed = nfc->normalize(source, status);
    if (U_FAILURE(status)) return std::string(text);
    std::string result;
    composed.toUTF8String(result);
    return result;
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) return true;
    return precomposedStringWithCanonicalMapping(a) == precomposedStringWithCanonicalMapping(b);
}

} // namespace platform::foundation
