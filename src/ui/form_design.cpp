#include "ui/form_design.h"

namespace nuvo {

int ComponentIndex(const TFormDesign& design, std::string_view name) {
    for (std::size_t i = 0; i < design.components.size(); ++i) {
        if (design.components[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace nuvo
