#include "forms/form_designs.h"

#include <array>
#include <string_view>

namespace nuvo {
namespace {

using K = TComponentKind;

// Both images are disabled so that mouse messages over them reach the window itself.
constexpr std::array kSaverComponents{
    TComponentDesign{.kind = K::Image, .name = "Image1", .bounds = {0, 0, 233, 185},
                     .enabled = false},
    TComponentDesign{.kind = K::Image, .name = "Image2", .bounds = {176, 40, 105, 105},
                     .visible = false, .enabled = false},
};

constexpr TFormDesign kSaverDesign{
    .className = "TMorlaptFMI",
    .caption = "MorlaptFMI",
    .borderStyle = TBorderStyle::bsNone,
    .stayOnTop = true,
    .bounds = {183, 146, 427, 277},
    .color = clBlack,
    .keyPreview = true,
    .visible = true,
    .components = kSaverComponents,
};

constexpr std::array<std::string_view, 3> kDetailItems{"細かい", "標準", "粗い"};

constexpr std::array kDialogComponents{
    TComponentDesign{.kind = K::BitBtn, .name = "BitBtn1", .bounds = {200, 8, 89, 25},
                     .text = "OK", .buttonKind = TBitBtnKind::bkOK, .isDefault = true,
                     .tabOrder = 0},
    TComponentDesign{.kind = K::BitBtn, .name = "BitBtn2", .bounds = {200, 40, 89, 25},
                     .text = "ｷｬﾝｾﾙ", .buttonKind = TBitBtnKind::bkCancel,
                     .isCancel = true, .tabOrder = 1},
    TComponentDesign{.kind = K::RadioGroup, .name = "RadioGroup1", .bounds = {0, 0, 161, 81},
                     .text = "動画の細かさ", .items = kDetailItems, .itemIndex = 1,
                     .tabOrder = 2},
    TComponentDesign{.kind = K::ScrollBar, .name = "ScrollBar1", .bounds = {88, 88, 121, 16},
                     .min = 0, .max = 500, .position = 350, .tabOrder = 3},
    TComponentDesign{.kind = K::Label, .name = "Label1", .bounds = {0, 88, 80, 20},
                     .text = "動画の速さ"},
    TComponentDesign{.kind = K::ScrollBar, .name = "ScrollBar2", .bounds = {88, 112, 121, 16},
                     .min = 5, .max = 35, .position = 10, .tabOrder = 4},
    TComponentDesign{.kind = K::Label, .name = "Label2", .bounds = {0, 112, 32, 20},
                     .text = "振幅"},
    TComponentDesign{.kind = K::Label, .name = "Label3", .bounds = {208, 88, 32, 20},
                     .text = "速い"},
    TComponentDesign{.kind = K::Label, .name = "Label4", .bounds = {208, 112, 48, 20},
                     .text = "大きい"},
    TComponentDesign{.kind = K::Label, .name = "Label5", .bounds = {176, 136, 112, 20},
                     .text = "nuvo 開発チーム"},
    TComponentDesign{.kind = K::CheckBox, .name = "CheckBox1", .bounds = {8, 136, 97, 17},
                     .text = "縦波にする", .checked = false, .tabOrder = 5},
};

constexpr TFormDesign kDialogDesign{
    .className = "TMorlaptCNF",
    .caption = "設定 — nuvo 開発チーム",
    .borderStyle = TBorderStyle::bsSingle,
    .systemMenuOnly = true,
    .stayOnTop = true,
    .screenCenter = true,
    .bounds = {200, 91, 299, 160},
    .color = 0xF0F0F0,
    .keyPreview = false,
    .visible = false,
    .fontHeight = 13,
    .components = kDialogComponents,
};

}  // namespace

const TFormDesign& MorlaptFMIDesign() { return kSaverDesign; }
const TFormDesign& MorlaptCNFDesign() { return kDialogDesign; }

}  // namespace nuvo
