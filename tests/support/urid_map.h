// A host's URID map and unmap for tests that instantiate the LV2 plug-in
// themselves: every URI gets the next number, the same one each time.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <string>
#include <vector>

namespace sorrel::test {

struct UridMap {
    UridMap() = default;
    UridMap(const UridMap &) = delete;
    UridMap &operator=(const UridMap &) = delete;

    std::vector<std::string> uris;
    LV2_URID_Map map{this, [](LV2_URID_Map_Handle h, const char *uri) -> LV2_URID {
                         auto &list = static_cast<UridMap *>(h)->uris;
                         for (size_t i = 0; i < list.size(); ++i)
                             if (list[i] == uri)
                                 return static_cast<LV2_URID>(i + 1);
                         list.emplace_back(uri);
                         return static_cast<LV2_URID>(list.size());
                     }};
    LV2_URID_Unmap unmap{this, [](LV2_URID_Unmap_Handle h, LV2_URID id) -> const char * {
                             auto &list = static_cast<UridMap *>(h)->uris;
                             return id >= 1 && id <= list.size() ? list[id - 1].c_str() : nullptr;
                         }};
    LV2_Feature mapFeature{LV2_URID__map, &map};
    LV2_Feature unmapFeature{LV2_URID__unmap, &unmap};
    const LV2_Feature *features[3] = {&mapFeature, &unmapFeature, nullptr};
    LV2_URID id(const char *uri) { return map.map(this, uri); }
};

} // namespace sorrel::test
