#include "fwpack/AttributeText.h"

#include "package/Attributes.h"

#include <cstdio>

namespace fwpack {

std::string describe_attribute(std::uint16_t attribute)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", attribute);
    std::string text = hex;

    const bool upgrade = (attribute & fw::ATTR_UPGRADE_FILE) != 0;
    const bool notice = (attribute & fw::ATTR_MESSAGE_FILE) != 0;
    text += upgrade && notice ? " upgrade+notice" : upgrade ? " upgrade" : notice ? " notice" : " no-kind";

    const bool general = (attribute & fw::ATTR_NO_IDCHECK) != 0;
    const bool module = (attribute & fw::ATTR_IDCHECK) != 0;
    text += general && module ? " default" : general ? " general" : module ? " module" : " none";

    const std::uint16_t known = fw::ATTR_UPGRADE_FILE | fw::ATTR_MESSAGE_FILE | fw::ATTR_NO_IDCHECK | fw::ATTR_IDCHECK;
    if (const unsigned other = attribute & static_cast<std::uint16_t>(~known); other != 0) {
        std::snprintf(hex, sizeof hex, " +0x%04X", other);
        text += hex;
    }
    return text;
}


}  // namespace fwpack
