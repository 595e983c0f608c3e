#include "dialog/rastuu18.h"

#include "forms/form_designs.h"
#include "settings/wave_settings.h"

namespace nuvo {

TMorlaptCNF::TMorlaptCNF(TApplication& application)
    : TForm(application, MorlaptCNFDesign()),
      BitBtn1(Component<TBitBtn>("BitBtn1")),
      BitBtn2(Component<TBitBtn>("BitBtn2")),
      RadioGroup1(Component<TRadioGroup>("RadioGroup1")),
      ScrollBar1(Component<TScrollBar>("ScrollBar1")),
      Label1(Component<TLabel>("Label1")),
      ScrollBar2(Component<TScrollBar>("ScrollBar2")),
      Label2(Component<TLabel>("Label2")),
      Label3(Component<TLabel>("Label3")),
      Label4(Component<TLabel>("Label4")),
      Label5(Component<TLabel>("Label5")),
      CheckBox1(Component<TCheckBox>("CheckBox1")) {
    OnCreate = [this] { FormCreate(); };
    BitBtn1.OnClick = [this] { BitBtn1Click(); };
    BitBtn2.OnClick = [this] { BitBtn2Click(); };
}

void TMorlaptCNF::FormCreate() {
    const TWaveSettings settings = ReadWaveSettings(Application().Port());
    RadioGroup1.SetItemIndex(settings.detailLevel);
    ScrollBar1.SetPosition(settings.speed);
    ScrollBar2.SetPosition(settings.amplitude);
    CheckBox1.SetChecked(settings.vertical);
}

void TMorlaptCNF::BitBtn1Click() {
    const TWaveSettings settings{
        .detailLevel = RadioGroup1.ItemIndex(),
        .speed = ScrollBar1.Position(),
        .amplitude = ScrollBar2.Position(),
        .vertical = CheckBox1.Checked(),
    };
    WriteWaveSettings(Application().Port(), settings);  // a failure leaves the dialog open
    Close();
}

void TMorlaptCNF::BitBtn2Click() { Close(); }

}  // namespace nuvo
