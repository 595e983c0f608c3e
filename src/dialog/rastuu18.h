// The settings dialog: shows the stored wave settings, writes them back on OK.
#pragma once

#include "ui/forms.h"

namespace nuvo {

class TMorlaptCNF : public TForm {
public:
    explicit TMorlaptCNF(TApplication& application);

    TBitBtn& BitBtn1;          // OK
    TBitBtn& BitBtn2;          // Cancel
    TRadioGroup& RadioGroup1;  // detail level
    TScrollBar& ScrollBar1;    // speed
    TLabel& Label1;
    TScrollBar& ScrollBar2;    // amplitude
    TLabel& Label2;
    TLabel& Label3;
    TLabel& Label4;
    TLabel& Label5;
    TCheckBox& CheckBox1;      // longitudinal wave

    void BitBtn2Click();
    void FormCreate();
    void BitBtn1Click();
};

}  // namespace nuvo
