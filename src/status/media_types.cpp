#include "status/media_types.h"

namespace qdu {

const std::array<MediaTypeEntry, 32> MediaTypeTable = {{
    {0x0109, 0x0109, "CD-ROM", ""},
    {0x8109, 0x0109, "CD-ROM(PoorPP)", ""},
    {0x0131, 0x0131, "CD-R", ""},
    {0x0151, 0x0151, "CD-RW", ""},
    {0x1151, 0x0151, "HighSpeed CD-RW", ""},
    {0x3151, 0x0151, "UltraSpeed CD-RW", ""},
    {0x7151, 0x0151, "UltraSpeed CD-RW+", ""},
    {0x010A, 0x010A, "DVD-ROM SL", "4.7G"},
    {0x020A, 0x020A, "DVD-ROM DL", "8.5G"},
    {0x120A, 0x120A, "DVD-ROM DL(Parallel)", "8.5G"},
    {0x4132, 0x4132, "DVD-R SL", "4.7G"},
    {0xC132, 0x4132, "DVD-Download SL", "4.7G"},
    {0x4232, 0x4232, "DVD-R DL", "8.5G"},
    {0xC232, 0x4232, "DVD-Download DL", "8.5G"},
    {0x4152, 0x4152, "DVD-RW SL", "4.7G"},
    {0x4252, 0x4252, "DVD-RW DL", "8.5G"},
    {0x2132, 0x2132, "DVD+R SL", "4.7G"},
    {0x2232, 0x2232, "DVD+R DL", "8.5G"},
    {0x2152, 0x2152, "DVD+RW SL", "4.7G"},
    {0x0182, 0x0182, "DVD-RAM", "4.7G"},
    {0x010C, 0x010C, "BD-ROM SL", "25G"},
    {0x210C, 0x010C, "BD-ROM SL(LOWREF)", "25G"},
    {0x020C, 0x020C, "BD-ROM DL", "50G"},
    {0x0134, 0x0134, "BD-R SL", "25G"},
    {0x0234, 0x0234, "BD-R DL", "50G"},
    {0x4434, 0x4434, "BD-R TL", "100G"},
    {0x4834, 0x4834, "BD-R QL", "128G"},
    {0x1134, 0x0134, "BD-R LTH SL", "25G"},
    {0x1234, 0x0234, "BD-R LTH DL", "50G"},
    {0x0154, 0x0154, "BD-RE SL", "25G"},
    {0x0254, 0x0254, "BD-RE DL", "50G"},
    {0x4454, 0x4454, "BD-RE TL100G", std::nullopt},
}};

CurrentMediumRecord& CurrentMedium() {
    static CurrentMediumRecord record;
    return record;
}

std::uint32_t media_class(std::uint32_t type_code) {
    if ((type_code & 0x002) != 0) {
        return (type_code & 0x200) != 0 ? 3 : 4;
    }
    if ((type_code & 0x004) != 0) {
        if ((type_code & 0x800) != 0) {
            return 8;
        }
        return (type_code & 0x400) != 0 ? 9 : 6;
    }
    return 0;
}

void find_media_type(std::uint32_t type_code) {
    for (const MediaTypeEntry& entry : MediaTypeTable) {
        if (entry.type_code == type_code) {
            CurrentMedium().entry = &entry;
            CurrentMedium().media_class = media_class(type_code);
            return;
        }
    }
}

}  // namespace qdu
