#include "paste_text.h"

namespace velmora::mapfile {

std::optional<TextError> parsePasteText(std::string_view, ValueBlock&) {
    return TextError{1, 0, "not implemented yet"};
}
std::string formatPasteText(const ValueBlock&) { return {}; }

} // namespace velmora::mapfile
