// Lifecycle and refresh cycle of the generic faceplate.
#include "FP_BASEDlg.h"

#include "FPText.h"
#include "KrConfirm.h"
#include "KrControlInfo.h"
#include "SharedMemory.h"
#include "TnEdit.h"

#include "CommandRoute.h"
#include "Resources.h"
#include "Text.h"
#include "Trace.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <utility>

using namespace fp;
using kfw::Trace;

void CFPCommu::OnServerMsg(WPARAM wParam, LPARAM lParam) {
    CComClient::OnServerMsg(wParam, lParam);
    if (commproto::CommandOf(wParam) == commproto::kCmdRefresh &&
        commproto::SlotOf(wParam) == GetSlot() && lParam == 0 && m_pOwner)
        m_pOwner->OnCommuData(GetDataArea());
}

CFP_BASEDlg::CFP_BASEDlg(UINT templateId, std::span<const fp::Binding> rows)
    : CDialog(templateId), m_tag(this), m_bindings(m_bindingHost, rows), m_Commu(this) {
    m_brBackground.reset(::CreateSolidBrush(kBackground));
}

CFP_BASEDlg::~CFP_BASEDlg() {
    Trace("[FP] CFP_BASEDlg::~CFP_BASEDlg");
    if (m_pControlInfo) {
        m_pControlInfo->Release();
        m_pControlInfo = nullptr;
    }
    m_Commu.Disconnect();
}

void CFP_BASEDlg::SetFPPara(const tagFPOpenPara* para, BOOL bMovable, BOOL bShowDetail, BOOL bNewFP,
                            HWND parent) {
    m_bMovable = bMovable;
    m_bShowDetail = bShowDetail;
    m_bNewFP = bNewFP;
    m_hParentWnd = parent;
    if (para) {
        m_nUserLevel = para->nUserLevel;
        m_nAckPermission = para->nAckPermission;
        m_byStation = para->byStation;
        m_byStationColumn = para->byStationColumn;
        m_ptPos = POINT{para->nX, para->nY};
        m_szCompact = SIZE{para->nWidth, para->nHeight};
        m_szDetail = SIZE{para->nDetailWidth, para->nDetailHeight};
        m_wTarget = para->wTarget;
        m_nMsgParam = para->nMsgParam;
        m_pfnCheckArea = para->pfnCheckArea;
        m_pfnAlarmAck = para->pfnAlarmAck;
        m_pFunAlmState = para->pfnAlarmState;
        m_crNormal = para->crNormal;
        m_nOperate = para->nOperate;
    }
    m_tag.CopyRecord(para);
}

bool CFP_BASEDlg::CreateFP(DWORD style, HWND parent) {
    std::vector<BYTE> tmpl = LoadTemplate(kfw::CurrentResourceModule(), TemplateId());
    if (tmpl.empty()) {
        Trace("[FP_BASE] dialog template %u not found\n", TemplateId());
        return false;
    }
    DWORD exStyle = IsExtendedTemplate(tmpl) ? kCreateExStyleExtended : kCreateExStyle;
    SetTemplateStyle(tmpl, style | kCreateStyleBits, exStyle);
    return CreateIndirect(tmpl, parent) && ::IsWindow(m_hWnd);
}

BOOL CFP_BASEDlg::OnInitDialog() {
    TraceKey(key::InitDialog, "s", m_tag.TagName().c_str());
    CDialog::OnInitDialog();
    m_fontTitle.reset(::CreateFontW(-::MulDiv(kTitleFontSize, 96, 720), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                    DEFAULT_CHARSET, 0, 0, 0, 0, kfw::Widen(kTitleFont).c_str()));

    // Title fitting: left-aligned and wrapped when too wide, else centred.
    HWND title = GetDlgItem(IDC_FP_TAGNAME);
    HWND desc = GetDlgItem(IDC_FP_TAGDESC);
    if (title) {
        std::wstring text = kfw::Widen(m_tag.TagName());
        RECT rc{};
        ::GetClientRect(title, &rc);
        SIZE extent{};
        {
            kfw::CWindowDC dc(title);
            kfw::CSelectObject sel(dc, m_fontTitle);
            ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        }
        LONG style = ::GetWindowLongW(title, GWL_STYLE) & ~(SS_TYPEMASK);
        style |= extent.cx > rc.right ? SS_LEFT : SS_CENTER;
        ::SetWindowLongW(title, GWL_STYLE, style);
    }
    if (desc) {
        LONG style = ::GetWindowLongW(desc, GWL_STYLE) & ~(SS_TYPEMASK);
        ::SetWindowLongW(desc, GWL_STYLE, style | SS_LEFT);
    }
    if (title && m_stTitle.SubclassWindow(title))
        m_stTitle.SetBackgroundColour(kBackground);
    m_MsgManager.SetOwner(m_hWnd);
    m_tag.DetermineHostMode();

    // Control-information component: without it the operator may operate.
    HRESULT hr = ::CoCreateInstance(CLSID_KrControlInfo, nullptr, CLSCTX_ALL, IID_IKrControlInfo,
                                    reinterpret_cast<void**>(&m_pControlInfo));
    if (FAILED(hr) || !m_pControlInfo) {
        TraceKey(key::ControlInfoCreateFail, "");
        m_pControlInfo = nullptr;
    } else if (FAILED(m_pControlInfo->Initialize())) {
        TraceKey(key::ControlInfoInitFail, "");
        m_pControlInfo->Release();
        m_pControlInfo = nullptr;
    }
    InitControlRight();

    if (!OpenFaceplateMemory()) {
        ::MessageBoxW(m_hWnd, kfw::Widen(Text(key::MemoryFail)).c_str(), L"", MB_OK);
        return FALSE;
    }

    if (m_bMovable && m_bShowDetail) {
        HWND* table = DetailTable();
        if (!table) {
            ::MessageBoxW(m_hWnd, kfw::Widen(Text(key::MemoryUnreadable)).c_str(), L"", MB_OK);
            return FALSE;
        }
        bool full = !TakeDetailSlot();
        if (full) {
            ::MessageBoxW(BoxOwner(), kfw::Widen(Text(key::DetailFull)).c_str(), L"", MB_OK);
            m_bShowDetail = FALSE;
            if (IsClosing())
                return FALSE; // closed by the host while the operator read the message
        }
        // Refused (four detail faceplates live): the faceplate and a pop-child's container keep
        // the compact size the host gave.
        if (!full) {
            int w = m_szDetail.cx + kDetailExtraWidth;
            int h = m_szDetail.cy + kDetailExtraHeight;
            if (m_bPopChild && m_hParentWnd)
                ::SetWindowPos(m_hParentWnd, HWND_TOPMOST, m_ptPos.x, m_ptPos.y, w, h,
                               SWP_SHOWWINDOW);
            ::SetWindowPos(m_hWnd, HWND_TOPMOST, m_ptPos.x, m_ptPos.y, w, h, SWP_SHOWWINDOW);
        } else {
            ::ShowWindow(m_hWnd, SW_SHOW);
        }
        if (!full) {
            InitTabWindow();
            ShowTabPage(m_nCurPage);
            CreateTrend();
        }
    }
    if (m_bMovable) {
        // The host's container for a movable faceplate: fill its client area. A floating
        // faceplate is a pop-up, placed in screen coordinates. The compact one is shown once
        // placed: shown first, it would be drawn at its template's place and size, then moved,
        // resized and drawn again.
        const bool hidden = !::IsWindowVisible(m_hWnd);
        RECT rc{};
        if (m_hParentWnd && ::GetClientRect(m_hParentWnd, &rc)) {
            POINT origin{1, 1};
            if (!(::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD))
                ::ClientToScreen(m_hParentWnd, &origin);
            ::MoveWindow(m_hWnd, origin.x, origin.y, rc.right - 1, rc.bottom - 1, !hidden);
        }
        if (hidden) {
            ::BringWindowToTop(m_hWnd);
            ::ShowWindow(m_hWnd, SW_SHOW);
        }
        m_bActive = TRUE;
    } else {
        ::MoveWindow(m_hWnd, m_ptPos.x, m_ptPos.y, m_szCompact.cx, m_szCompact.cy, TRUE);
    }

    UpdateRight();
    RefreshControls();

    m_Commu.Connect();
    Subscribe(ReadLength(m_bShowDetail));
    Trace("[FPTIME] m_Commu.Read()");
    m_tag.ShowBlock();

    m_nTimer = SetTimer(kRefreshTimer, kRefreshPeriodMs);
    if (m_bShowDetail)
        CreateTrend();
    SetupButtons();
    return FALSE;
}

int CFP_BASEDlg::ReadLength(BOOL detail) const {
    const FPBlockInfo* block = m_tag.BlockInfo();
    if (!block)
        return 0;
    return detail ? block->wDataSize : block->wCompactSize1 + block->wCompactSize2;
}

void CFP_BASEDlg::Subscribe(int length) {
    m_tag.SetReadLength(length);
    std::vector<commproto::CommRange> ranges{commproto::CommRange{
        static_cast<uint32_t>(m_tag.BaseAddress()), static_cast<uint32_t>(length)}};
    m_Commu.Subscribe(m_wTarget, ranges);
    m_Commu.Read();
}

void CFP_BASEDlg::DoDataExchange() {
    m_btnFlow.SubclassDlgItem(IDC_FP_BTN_FLOW, m_hWnd);
    m_btnCurrent.SubclassDlgItem(IDC_FP_BTN_CURRENT, m_hWnd);
    m_btnAlarm.SubclassDlgItem(IDC_FP_BTN_ALARM, m_hWnd);
    m_btnAdj.SubclassDlgItem(IDC_FP_BTN_ADJ, m_hWnd);
    m_btnAck.SubclassDlgItem(IDC_FP_BTN_ACK, m_hWnd);
    m_bindings.Bind(kMainWindow, m_hWnd);
}

void CFP_BASEDlg::SetupButtons() {
    struct Button {
        CBtnST* button;
        UINT icon;
        const char* tip;
    };
    const Button buttons[] = {
        {&m_btnFlow, IDI_FP_FLOW, key::TipFlow},
        {&m_btnCurrent, IDI_FP_CURRENT, key::TipCurrent},
        {&m_btnAlarm, IDI_FP_ALARM, key::TipAlarm},
        {&m_btnAdj, IDI_FP_ADJ, key::TipAdjust},
        {&m_btnAck, IDI_FP_ACK, key::TipAck},
    };
    for (const Button& b : buttons) {
        if (!b.button->m_hWnd)
            continue;
        b.button->SetFlat(false);
        b.button->SetIcon(b.icon);
        b.button->SetTooltipText(kfw::Widen(Text(b.tip)));
    }
    TransferToControls();
    if (HWND title = GetDlgItem(IDC_FP_TAGNAME))
        ::SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontTitle.get()), TRUE);
}

void CFP_BASEDlg::TransferToControls() {
    m_shownTagName.Set(GetDlgItem(IDC_FP_TAGNAME), kfw::Widen(m_tag.TagName()));
    m_shownTagDesc.Set(GetDlgItem(IDC_FP_TAGDESC), kfw::Widen(m_tag.TagDesc()));
}

void CFP_BASEDlg::InitControlRight() {
    m_nOperate = 0;
    if (!m_pControlInfo) {
        TraceKey(key::NoControlInfo, "");
        m_nOperate = 1;
        return;
    }
    LONG count = 0;
    if (FAILED(m_pControlInfo->GetCount(&count)))
        count = 0;
    for (LONG i = 0; i < count; ++i) {
        KrControlInfoEntry entry{};
        if (FAILED(m_pControlInfo->GetAt(i, &entry)))
            continue;
        Trace("[FP_BASE] OnInitDialog() controlinfo.GetAt(i).nID=%d\n",
              static_cast<int>(entry.nID));
        if (entry.nID != m_byStation) {
            TraceKey(key::OtherStation, "");
            continue;
        }
        // A station column outside the entry counts as no permission.
        if (m_byStationColumn >= kKrMaxStations || entry.byPermission[m_byStationColumn] == 0)
            return;
        const char* areaField = entry.szArea[m_byStationColumn];
        std::string area(areaField, strnlen(areaField, sizeof entry.szArea[0]));
        if (area.empty()) {
            TraceKey(key::AreaEmpty, "");
            m_nOperate = 1;
        } else if (!m_tag.IsHostCallbackMode()) {
            m_nOperate = 1;
        } else if (area.size() <= kMaxItemNameLength) {
            int64_t handle = 0;
            if (m_tag.OpenHostItem(area.c_str(), handle) == kHostOk && handle > 0) {
                if (m_pfnCheckArea && (m_pfnCheckArea(1, &handle, 0) & 0xFF) != 0)
                    m_nOperate = 1;
                else
                    TraceKey(key::AreaDenied, "");
            }
        }
        return;
    }
}

void CFP_BASEDlg::ChangeUserInfo(const char* userName, int userLevel) {
    if (!userName || !*userName)
        return;
    TraceKey(key::UserChanged, "sd", userName, userLevel);
    m_tag.SetUserName(userName);
    m_nUserLevel = userLevel;
    InitControlRight();
    if (IsClosing())
        return; // a host callback closed the faceplate: its controls are gone
    UpdateRight();
    // Rights follow the logged-in operator at once, whatever the state of the data.
    RefreshControls();
}

int CFP_BASEDlg::SendWrite(const BYTE* request, int length) {
    // Done only when the server has taken the request: a write that cannot be delivered in
    // time is withdrawn and fails, so it is never logged as done.
    if (!m_Commu.Write(m_wTarget, kWriteKind, static_cast<WORD>(length), request) ||
        !m_Commu.WaitWriteTaken(commproto::kWriteTakenWaitMs))
        return 0;
    return 1;
}

void CFP_BASEDlg::TellOperator(const std::string& caption, const std::string& text) {
    ::MessageBoxW(m_hWnd, kfw::Widen(text).c_str(), kfw::Widen(caption).c_str(),
                  MB_OK | MB_ICONWARNING);
}

WORD CFP_BASEDlg::ControlUserLevel() const {
    if (m_nUserLevel < 0)
        return 0;
    return static_cast<WORD>(std::min(m_nUserLevel, 0xFFFF));
}

HWND CFP_BASEDlg::BoxOwner() const {
    return m_hParentWnd && ::IsWindow(m_hParentWnd) ? m_hParentWnd : m_hWnd;
}

bool CFP_BASEDlg::IsClosing() const {
    return m_bClosing || kfw::IsDeletionPending(this);
}

kctl::IOperable* CFP_BASEDlg::OperableControl(int controlId, HWND control, bool stateful,
                                              const char** why) const {
    // A notification may come without its window (a posted click): then the control of that
    // id. A window given must be one of this faceplate's controls with that id.
    HWND found = control ? control : kfw::FindDescendant(m_hWnd, controlId);
    if (!found || !::IsChild(m_hWnd, found) || ::GetDlgCtrlID(found) != controlId) {
        *why = "no such control";
        return nullptr;
    }
    auto* operable = dynamic_cast<kctl::IOperable*>(kfw::CWnd::FromHandle(found));
    if (!operable) {
        *why = "not an operable control";
        return nullptr;
    }
    if (IsClosing()) {
        *why = "faceplate closing";
        return nullptr;
    }
    if (!operable->IsOperableNow() || !::IsWindowEnabled(found) || !::IsWindowVisible(found)) {
        *why = "control locked for this operator";
        return nullptr;
    }
    if (stateful && !m_tag.StatesShown()) {
        *why = "no good data";
        return nullptr;
    }
    return operable;
}

bool CFP_BASEDlg::MayOperate(int controlId, HWND control, bool stateful) const {
    const char* why = "";
    if (OperableControl(controlId, control, stateful, &why))
        return true;
    Trace("[FP_BASE]:command of control %d refused: %s\n", controlId, why);
    return false;
}

void CFP_BASEDlg::UpdateRight() {
    // Every command of these buttons is checked against the rights given here (MayOperate).
    const WORD user = ControlUserLevel();
    const FPBlockInfo* block = m_tag.BlockInfo();
    m_btnAdj.SetLevels(block ? block->wOperateLevel : 0, user);
    m_btnAck.SetLevels(kGrantedLevel, m_nAckPermission != 0 ? kGrantedLevel : 0);
    for (CRightsBtnST* handOver : {&m_btnFlow, &m_btnCurrent, &m_btnAlarm})
        handOver->SetLevels(kGrantedLevel, kGrantedLevel);
    // Every bound control that writes an item: the item's security level times the operate
    // permission, with the operator's level at once so that each control changes its look once.
    ApplyRights();
}

void CFP_BASEDlg::RefreshControls() {
    // UpdateRight gives every control both its levels, the user's among them.
    UpdateRight();
}

void CFP_BASEDlg::ApplyRights() {
    // The pages' controls are given rights only while the detail view is shown.
    m_bindings.ApplyRights(m_bShowDetail != FALSE);
}

int CFP_BASEDlg::BindingHost::RequiredLevel(uint16_t item) const {
    const FPItemInfo* info = m_fp.m_tag.FindItem(item);
    if (!info)
        return -1;
    return static_cast<int>(info->wSecurityLevel) * m_fp.OperatePermission();
}

WORD CFP_BASEDlg::DecimalsItemOf(WORD item) const {
    const fp::BoundRow* row = m_bindings.FindItem(item, fp::BindKind::Value);
    return row ? row->row->decimalsItem : 0;
}

void CFP_BASEDlg::OnWriteChecked(WORD item, bool taken, const std::string& written,
                                 const std::string& held) {
    // The edit that showed the entry carries the mark; switches and words have the trace.
    fp::BoundRow* row = m_bindings.FindItem(item, fp::BindKind::Value);
    if (!row)
        return;
    static_cast<CTnEdit&>(*row->control)
        .SetNotTaken(taken ? std::wstring()
                           : kfw::Widen(Format(key::WriteNotTaken, "ss", written.c_str(),
                                               held.c_str())));
}

void CFP_BASEDlg::OnEditEnter(int controlId, HWND edit) {
    if (!m_bindings.OnEditEnter(controlId, edit))
        Trace("[FP_BASE]:edit %d not written: no such edit\n", controlId);
}

void CFP_BASEDlg::OnCommuData(BYTE* block) {
    if (!block)
        return;
    Trace("[FPTIME] m_bconnected");
    m_nMissedTicks = 0;
    m_tag.TakeDelivery(block);
    if (m_bFirstData) {
        m_tag.ShowBlock();
        m_tag.SetDataGood(m_tag.LinkGood());
        m_bFirstData = FALSE;
    } else if (!m_tag.IsDataGood() && !m_tag.IsStatusBad()) {
        // The first delivery after a loss of the link is shown at once too, not a tick late.
        UpdateDataGood();
        m_tag.ShowBlock();
    }
}

void CFP_BASEDlg::UpdateDataGood() {
    BOOL good = m_tag.LinkGood();
    if (good != m_tag.IsDataGood() && !IsClosing()) {
        // The lamp turns black while data is not good, and back again.
        ::InvalidateRect(m_hWnd, &m_rcLamp, FALSE);
        if (good) {
            SetStatusText("", "");
            RefreshControls();
        }
    }
    m_tag.SetDataGood(good);
}

void CFP_BASEDlg::SetStatusText(const char* status, const char* second) {
    if (IsClosing())
        return; // the statics may be gone, and a null window would mean the whole screen
    const std::pair<int, const char*> lines[] = {{IDC_FP_STATUS, status}, {IDC_FP_STATUS2, second}};
    for (size_t i = 0; i < std::size(lines); ++i) {
        HWND h = GetDlgItem(lines[i].first);
        if (!m_shownStatus[i].Set(h, kfw::Widen(lines[i].second)))
            continue;
        // The status statics draw on a hollow brush: the faceplate repaints the background
        // under them so that no part of a longer previous text stays.
        RECT rc{};
        ::GetWindowRect(h, &rc);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        ::RedrawWindow(m_hWnd, &rc, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

void CFP_BASEDlg::QueryTagStatus() {
    uint32_t status = 0;
    int read = m_tag.ReadHostStatus(status);
    if (read < 0 || IsClosing())
        return;
    const BOOL wasBad = m_tag.IsStatusBad();
    if (read == 0 || (status & kTagStatusBad)) {
        m_tag.SetStatusBad(TRUE);
        SetStatusText(kTextRtDataBad, "");
    } else {
        m_tag.SetStatusBad(FALSE);
    }
    // Repainted when the host's status changes, not every tick: a redraw of the whole
    // faceplate repaints every control under it.
    if (m_tag.IsStatusBad() != wasBad)
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    if (read == 1)
        Trace("dwFlag for qbrtcore\n");
}

void CFP_BASEDlg::OnRefreshTick() {
    // A server that went away (restarted) or was not there yet is looked for again, so that
    // data comes back within two ticks of its return.
    // Each step may end in the faceplate being closed (a host callback, or a message taken
    // while a register is awaited): the tick stops there.
    if (m_Commu.IsServerAlive() && m_Commu.IsSubscribed())
        m_Commu.Read();
    else if (m_Commu.Connect() && !IsClosing())
        Subscribe(ReadLength(m_bShowDetail));
    if (m_tag.IsHostCallbackMode() && !IsClosing())
        QueryTagStatus();
    if (IsClosing())
        return;
    if (++m_nMissedTicks > kMaxMissedTicks) {
        m_tag.LinkLost();
        SetStatusText(kTextCommFail, "");
    }
    m_tag.ShowBlock();
    if (IsClosing())
        return;
    UpdateDataGood();
}

bool CFP_BASEDlg::OpenFaceplateMemory() {
    if (m_pMemory && m_pMemory->GetData())
        return true;
    // One mapping per process, kept while the module is loaded: creating it (with its
    // security descriptor) is the dearest step of a call-up, and every faceplate of the
    // process sees the same memory anyway.
    static std::shared_ptr<CSharedMemory> processMemory;
    if (!processMemory || !processMemory->GetData()) {
        auto memory = std::make_shared<CSharedMemory>();
        if (!memory->Create(kFaceplateMemory, kFaceplateMemorySize))
            return false;
        processMemory = std::move(memory);
    }
    m_pMemory = processMemory;
    return true;
}

HWND* CFP_BASEDlg::DetailTable() const {
    if (!m_pMemory)
        return nullptr;
    auto* base = static_cast<BYTE*>(m_pMemory->GetData());
    return base ? reinterpret_cast<HWND*>(base + kDetailTableOffset) : nullptr;
}

bool CFP_BASEDlg::TakeDetailSlot() {
    HWND* table = DetailTable();
    if (!table)
        return false;
    for (int i = 0; i < kDetailSlots; ++i)
        if (table[i] == m_hWnd)
            return true;
    for (int i = 0; i < kDetailSlots; ++i) {
        if (!table[i] || !::IsWindow(table[i])) {
            table[i] = m_hWnd;
            return true;
        }
    }
    return false;
}

void CFP_BASEDlg::ReleaseDetailSlot() {
    if (HWND* table = DetailTable())
        for (int i = 0; i < kDetailSlots; ++i)
            if (table[i] == m_hWnd)
                table[i] = nullptr;
}

void CFP_BASEDlg::OnBtnAdj(HWND ctl) {
    if (MayOperate(IDC_FP_BTN_ADJ, ctl, false))
        ToggleDetail();
}

void CFP_BASEDlg::OnAdjClicked(int, HWND ctl) {
    OnBtnAdj(ctl);
}

void CFP_BASEDlg::CloseDetail() {
    if (m_bMovable && m_bShowDetail)
        ToggleDetail();
}

void CFP_BASEDlg::ToggleDetail() {
    if (!m_bMovable) {
        // An embedded faceplate asks the operator centre for a floating one.
        m_MsgManager.RequestAdjust(m_tag.TagName().c_str(), m_nMsgParam);
        return;
    }
    if (!OpenFaceplateMemory() || !DetailTable())
        return;
    if (!m_bShowDetail) {
        DWORD start = ::GetTickCount();
        if (!TakeDetailSlot()) {
            ::MessageBoxW(BoxOwner(), kfw::Widen(Text(key::DetailFull)).c_str(), L"", MB_OK);
            return;
        }
        ShowDetail(TRUE);
        ShowTabPage(m_nCurPage);
        UpdateRight();
        if (m_tag.IsDataGood())
            RefreshControls();
        Trace("[FP_BASE] OnBtnAdj SPEND %d ms", static_cast<int>(::GetTickCount() - start));
    } else {
        ReleaseDetailSlot();
        ShowDetail(FALSE);
    }
}

void CFP_BASEDlg::ShowDetail(BOOL show) {
    Trace("[FP_BASE]:ShowDetail() \n");
    m_bShowDetail = show;
    DWORD t = ::GetTickCount();
    auto spent = [&t] {
        DWORD now = ::GetTickCount();
        int ms = static_cast<int>(now - t);
        t = now;
        return ms;
    };
    RECT rc{};
    if (show) {
        CreateTrend();
        Trace("[FP_BASE]:ShowDetail CreateTrend spend %d ms\n", spent());
        InitTabWindow();
        Trace("[FP_BASE]:ShowDetail InitTabWindow spend %d ms\n", spent());
        if (m_bPopChild && m_hParentWnd)
            ::SetWindowPos(m_hParentWnd, nullptr, 0, 0, m_szDetail.cx + kDetailExtraWidth,
                           m_szDetail.cy + kDetailExtraHeight,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
        else
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_szDetail.cx + kDetailExtraWidth,
                           m_szDetail.cy + kDetailExtraHeight, SWP_NOMOVE | SWP_NOZORDER);
        Trace("[FP_BASE]:ShowDetail SetWindowPos spend %d ms\n", spent());
        if (m_bPopChild && m_hParentWnd) {
            ::GetClientRect(m_hParentWnd, &rc);
            Trace("[FP_BASE]:ShowDetail GetClientRect spend %d ms\n", spent());
            ::MoveWindow(m_hWnd, 1, 1, rc.right - 1, rc.bottom - 1, TRUE);
        }
        Subscribe(ReadLength(TRUE));
        Trace("[FP_BASE]:ShowDetail SetTag spend %d ms\n", spent());
    } else {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_szCompact.cx, m_szCompact.cy,
                       SWP_NOMOVE | SWP_NOZORDER);
        if (m_bPopChild && m_hParentWnd) {
            ::SetWindowPos(m_hParentWnd, nullptr, 0, 0, m_szCompact.cx + kDetailExtraWidth,
                           m_szCompact.cy + kDetailExtraHeight, SWP_NOMOVE | SWP_NOZORDER);
            ::GetClientRect(m_hParentWnd, &rc);
            ::MoveWindow(m_hWnd, 1, 1, rc.right - 1, rc.bottom - 1, TRUE);
        }
        Subscribe(ReadLength(FALSE));
    }
}

void CFP_BASEDlg::OnAlarmAck(int id, HWND ctl) {
    if (MayOperate(id, ctl, false))
        AcknowledgeAlarms();
}

void CFP_BASEDlg::AcknowledgeAlarms() {
    const char* tag = m_tag.TagName().c_str();
    TraceKey(key::AlarmAck, "s", tag);
    if (!m_pfnAlarmAck || m_pfnAlarmAck(tag) != kHostOk)
        TraceKey(key::AlarmAckFail, "");
}

namespace {
struct HandOver {
    int id;
    const char* trace;
    bool (CMsgManager::*request)(const char*, int);
};
constexpr HandOver kHandOvers[] = {
    {IDC_FP_BTN_FLOW, "[FP_BASE]::OnBtnFlow(%s)\n", &CMsgManager::RequestFlow},
    {IDC_FP_BTN_CURRENT, "[FP_BASE]::OnBtnCurrent(%s)\n", &CMsgManager::RequestCurrent},
    {IDC_FP_BTN_ALARM, "[FP_BASE]::OnBtnAlarm(%s)\n", &CMsgManager::RequestAlarm},
};
const HandOver* FindHandOver(int id) {
    for (const HandOver& h : kHandOvers)
        if (h.id == id)
            return &h;
    return nullptr;
}
bool IsHandOverButton(int id) {
    return FindHandOver(id) != nullptr;
}
} // namespace

void CFP_BASEDlg::OnHandOverButton(int id, HWND ctl) {
    if (!MayOperate(id, ctl, false))
        return;
    const HandOver* h = FindHandOver(id);
    Trace(h->trace, m_tag.TagName().c_str());
    (m_MsgManager.*h->request)(m_tag.TagName().c_str(), m_nMsgParam);
}

void CFP_BASEDlg::OnLButtonDown() {
    TraceKey(key::LButtonDown, "s", m_tag.TagName().c_str());
    SendMessage(kctl::WM_CTRL_INTERACT, 1, 0);
    ::SetFocus(m_hWnd);
    if (m_bPopChild && m_hParentWnd) {
        ::ReleaseCapture();
        ::SendMessageW(m_hParentWnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    } else if (m_bMovable) {
        ::ReleaseCapture();
        SendMessage(WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    }
}

void CFP_BASEDlg::OnInteract(BOOL active) {
    // Every focus change inside the faceplate comes here. Only the edge of the client area
    // shows the state: the faceplate has no WS_CLIPCHILDREN, so invalidating all of it would
    // erase and repaint every control.
    if (active == m_bActive)
        return;
    m_bActive = active;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    RECT inner = client;
    ::InflateRect(&inner, -kFrameEdge, -kFrameEdge);
    kfw::CRgn edge(::CreateRectRgnIndirect(&client));
    kfw::CRgn hole(::CreateRectRgnIndirect(&inner));
    ::CombineRgn(edge, edge, hole, RGN_DIFF);
    ::RedrawWindow(m_hWnd, nullptr, edge, RDW_INVALIDATE | RDW_NOCHILDREN);
}

void CFP_BASEDlg::OnFPClose() {
    TraceKey(key::Close, "s", m_tag.TagName().c_str());
    m_bClosing = TRUE;
    EndDialog(IDCANCEL);
    if (m_nTimer) {
        KillTimer(kRefreshTimer);
        m_nTimer = 0;
    }
    m_Commu.Disconnect();
    DestroyWindow();
}

LRESULT CFP_BASEDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        OnFPClose();
        return 0;
    case WM_DESTROY:
        // Also when the host destroys the parent of an embedded faceplate.
        m_bClosing = TRUE;
        break;
    case WM_LBUTTONDOWN:
        OnLButtonDown();
        return 0;
    case WM_SETFOCUS:
        PostMessage(kctl::WM_CTRL_INTERACT, 1, 0);
        break;
    case WM_KILLFOCUS:
        PostMessage(kctl::WM_CTRL_INTERACT, 0, 0);
        break;
    case kctl::WM_CTRL_INTERACT:
        OnInteract(static_cast<BOOL>(wp));
        return 0;
    case kctl::WM_TNEDIT_ENTER:
        OnEditEnter(static_cast<int>(wp), reinterpret_cast<HWND>(lp));
        if (::IsWindow(m_hWnd))
            ::SetFocus(GetDlgItem(IDC_FP_TAGNAME)); // away from the edit
        return 0;
    case kctl::WM_TNEDIT_SETFOCUS: {
        HWND focus = ::GetFocus();
        wchar_t cls[16] = {};
        if (focus && ::GetClassNameW(focus, cls, 16) && _wcsicmp(cls, L"Edit") == 0)
            ::SendMessageW(focus, EM_SETSEL, 0, -1);
        return 0;
    }
    default:
        break;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

bool CFP_BASEDlg::OnTimer(UINT_PTR id) {
    if (id != kRefreshTimer)
        return false;
    OnRefreshTick();
    return true;
}

bool CFP_BASEDlg::OnCommand(int id, int code, HWND ctl) {
    using Route = kfw::CommandRoute<CFP_BASEDlg>;
    static constexpr Route kRoutes[] = {
        Route::Table(BN_CLICKED, &IsHandOverButton, &CFP_BASEDlg::OnHandOverButton),
        Route::Range(BN_CLICKED, IDC_FP_BTN_ADJ, IDC_FP_BTN_ADJ, &CFP_BASEDlg::OnAdjClicked),
        Route::Range(BN_CLICKED, IDC_FP_BTN_ACK, IDC_FP_BTN_ACK, &CFP_BASEDlg::OnAlarmAck),
    };
    return m_bindings.OnCommand(kMainWindow, id, code, ctl) ||
           kfw::RouteCommand(*this, kRoutes, id, code, ctl) || CDialog::OnCommand(id, code, ctl);
}

bool CFP_BASEDlg::OnNotify(int id, NMHDR* hdr, LRESULT*) {
    if (id != IDC_FP_TAB || hdr->code != static_cast<UINT>(TCN_SELCHANGE))
        return false;
    // Tab index 0 is page number 1.
    m_nCurPage = static_cast<int>(::SendMessageW(hdr->hwndFrom, TCM_GETCURSEL, 0, 0)) + 1;
    ShowTabPage(m_nCurPage);
    return true;
}

HBRUSH CFP_BASEDlg::OnCtlColor(HDC dc, HWND, UINT ctlColorMsg) {
    if (ctlColorMsg != WM_CTLCOLORSTATIC && ctlColorMsg != WM_CTLCOLORBTN &&
        ctlColorMsg != WM_CTLCOLORDLG)
        return nullptr;
    ::SetBkColor(dc, kBackground);
    return m_brBackground.get();
}
