// The nine setup pages of the detail view. Each is its template plus the rows of the tables;
// a class adds only what its page has of its own.
#pragma once

#include "SetupPage.h"

#include <cstdint>

class CFirstSetup : public CSetupPage {
public:
    explicit CFirstSetup(CFP_BALANCE8Dlg* fp) : CSetupPage(fp, b8::Page::FirstSetup) {}

protected:
    // The out-of-service and alarm-inhibit switches get their icons.
    BOOL OnInitDialog() override;
};

class CTwoTPBalanceSetup : public CSetupPage {
public:
    explicit CTwoTPBalanceSetup(CFP_BALANCE8Dlg* fp)
        : CSetupPage(fp, b8::Page::TwoTPBalanceSetup) {}
};

class CMultyBalanceSetup : public CSetupPage {
public:
    explicit CMultyBalanceSetup(CFP_BALANCE8Dlg* fp)
        : CSetupPage(fp, b8::Page::MultyBalanceSetup) {}
};

class CSVLimtSetup : public CSetupPage {
public:
    explicit CSVLimtSetup(CFP_BALANCE8Dlg* fp) : CSetupPage(fp, b8::Page::SVLimtSetup) {}
    // The limit enable word the 24 boxes show: a bit for every box exactly checked; bits 24 to
    // 31 are 0.
    DWORD ComposeLimitEnableWord() const;
    // Sets the 24 boxes from a limit enable word.
    void ApplyLimitEnableWord(DWORD word);
};

class CPVAlarmSetup : public CSetupPage {
public:
    explicit CPVAlarmSetup(CFP_BALANCE8Dlg* fp) : CSetupPage(fp, b8::Page::PVAlarmSetup) {}
};

class CTAlarmSetup1 : public CSetupPage {
public:
    explicit CTAlarmSetup1(CFP_BALANCE8Dlg* fp) : CSetupPage(fp, b8::Page::TAlarmSetup1) {}
};

class CTCSAlarmSetup1 : public CSetupPage {
public:
    explicit CTCSAlarmSetup1(CFP_BALANCE8Dlg* fp) : CSetupPage(fp, b8::Page::TCSAlarmSetup1) {}
};

class CSpeedAlarmSetup : public CSetupPage {
public:
    explicit CSpeedAlarmSetup(CFP_BALANCE8Dlg* fp) : CSetupPage(fp, b8::Page::SpeedAlarmSetup) {}
};

class CKTLSetup : public CSetupPage {
public:
    explicit CKTLSetup(CFP_BALANCE8Dlg* fp) : CSetupPage(fp, b8::Page::KTLSetup) {}

protected:
    // The control-method button shows its state latched: any latched state asks for off.
    void OnSwitch(const b8ui::PageSwitch& sw) override;
};
