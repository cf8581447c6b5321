#include "Host.h"

#include "BlockTable.h"
#include "Window.h"

#include <objbase.h>

#include <cstdio>
#include <utility>

namespace fphost {
namespace {

constexpr wchar_t kContainerClass[] = L"FPHostContainer";
constexpr COLORREF kContainerColour = RGB(120, 120, 120);
// A floating faceplate with the detail view is placed at the detail size plus these.
constexpr int kDetailExtraWidth = 7;
constexpr int kDetailExtraHeight = 17;
// CloseFP type that closes the newest faceplate of a tag whatever its kind.
constexpr int kCloseAnyKind = 3;
// The block type this host describes.
constexpr char kBlockTypeName[] = "BALANCE8";

// The container a faceplate is opened in: closing it closes the faceplate.
class CContainer : public kfw::CWnd {
public:
    CContainer(Host& host, std::string tag) : m_host(host), m_tag(std::move(tag)) {}

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_CLOSE) {
            // Closing may destroy this window (and delete this object) on the way.
            HWND self = m_hWnd;
            Host& host = m_host;
            const std::string tag = m_tag;
            host.Close(tag, kCloseAnyKind);
            if (::IsWindow(self))
                ::DestroyWindow(self);
            return 0;
        }
        return CWnd::WindowProc(msg, wp, lp);
    }
    void PostNcDestroy() override { delete this; }

private:
    Host& m_host;
    std::string m_tag;
};

HBRUSH ContainerBrush() {
    static HBRUSH brush = ::CreateSolidBrush(kContainerColour);
    return brush;
}

} // namespace

Host::Host(HostConfig config) : m_config(std::move(config)) {
    m_comInitialized = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

Host::~Host() {
    CloseAll();
    m_module.Unload();
    TagDatabase::SetCurrent(nullptr);
    if (m_comInitialized)
        ::CoUninitialize();
}

bool Host::Prepare(const BlockTable& table, std::string& error) {
    m_descriptors.clear();
    m_db = TagDatabase{};
    for (const TagConfig& tag : m_config.tags) {
        auto d = BuildDescriptors(table, tag, m_config, error);
        if (!d)
            return false;
        std::string ansi = Utf8ToAnsi(tag.name);
        m_db.AddTag(ansi, table, d->AlarmMask());
        m_db.SetBad(ansi, tag.bad);
        for (const auto& v : tag.values) {
            if (!m_db.SetValue(ansi, v.item, v.value)) {
                error = "tag " + tag.name + ": no item '" + v.item + "' in the block table";
                return false;
            }
        }
        m_descriptors.push_back(std::move(d));
    }
    BuildBlockType(table);
    for (const auto& area : m_config.areas)
        m_db.AddArea(Utf8ToAnsi(area.first), static_cast<uint8_t>(area.second));
    m_db.SetAlarmState(m_config.alarmColour, m_config.almStateResult);
    TagDatabase::SetCurrent(&m_db);
    return true;
}

void Host::BuildBlockType(const BlockTable& table) {
    auto type = std::make_unique<CFBType>();
    CopyTextField(type->m_szTypeName, std::string(kBlockTypeName));
    type->m_wDataSize = table.wholeSize;
    for (const TableItem& item : table.items) {
        if (item.name.empty())
            continue;
        auto* para = new CFBHMIPara;
        type->m_listHMIPara.push_back(para);
        CopyTextField(para->szName, item.name);
        para->wItem = item.index;
        para->nType = item.type;
    }
    // The alarms are bits of the flag word: named by its item (by its index when unnamed).
    const std::string flagIndex = std::to_string(b8::kItemAlarmFlag);
    const TableItem* flag = FindTableItem(table, flagIndex);
    const std::string flagItem = flag && !flag->name.empty() ? flag->name : flagIndex;
    for (const BitDef& bit : m_config.bitsSet ? m_config.bits : table.flagBits) {
        if (!bit.alarm)
            continue;
        auto* alarm = new CFBAlmPara;
        type->m_listEnAlarm.push_back(alarm);
        CopyTextField(alarm->szItem, flagItem);
        CopyTextField(alarm->szAlarm, Utf8ToAnsi(bit.name));
        alarm->wBit = bit.bit;
    }
    m_blockType = std::move(type);
}

CFBAlmParaList* Host::EnabledAlarms() {
    if (!m_module.GetEnAlarmList)
        return nullptr;
    return &m_module.GetEnAlarmList(m_blockType.get());
}

bool Host::HMIParameters(CFBHMIParaList& list) {
    if (!m_module.GetHMIPara)
        return false;
    m_module.GetHMIPara(m_blockType.get(), list);
    return true;
}

bool Host::Aliases(CAliasDataArray& array) {
    if (!m_module.GetAliasPara)
        return false;
    m_module.GetAliasPara(m_blockType.get(), array);
    return true;
}

bool Host::LoadModule(std::string& error) {
    return m_module.Load(Utf8ToWide(m_config.module), error);
}

bool Host::BuildRecord(const std::string& tagName, tagFPOpenPara& para, std::string& error) {
    size_t index = 0;
    while (index < m_config.tags.size() && !EqualNoCase(m_config.tags[index].name, tagName))
        ++index;
    if (index == m_config.tags.size() || index >= m_descriptors.size()) {
        error = "no tag '" + tagName + "' is configured";
        return false;
    }
    const TagConfig& tag = m_config.tags[index];
    const BlockDescriptors& d = *m_descriptors[index];
    para = tagFPOpenPara{};
    CopyTextField(para.szTagName, Utf8ToAnsi(tag.name));
    CopyTextField(para.szTagDesc, Utf8ToAnsi(tag.description));
    CopyTextField(para.szModuleFile, m_config.module);
    CopyTextField(para.szUserName, Utf8ToAnsi(m_config.user));
    para.pBlock = d.Block();
    para.byStation = tag.station;
    para.byStationColumn = tag.column;
    para.nX = tag.x;
    para.nY = tag.y;
    para.nWidth = tag.width;
    para.nHeight = tag.height;
    para.nDetailWidth = tag.detailWidth;
    para.nDetailHeight = tag.detailHeight;
    para.wTarget = tag.target;
    para.nBaseAddress = tag.base;
    para.nUserLevel = m_config.level;
    para.pUnitMap = d.Units();
    para.nMsgParam = tag.msgParam;
    para.nConfirmHold = tag.confirmHold;
    para.nAckPermission = m_config.ack;
    TagDatabase::FillCallbacks(para, m_config.callbacks, m_config.almState);
    para.crNormal = tag.normalColour;
    para.nOperate = tag.operate;
    para.bySecurityClass = tag.securityClass;
    para.bConfirm = tag.confirm;
    return true;
}

HWND Host::CreateContainer(const TagConfig& tag, OpenMode mode) {
    static const bool registered =
        kfw::CWnd::RegisterClass(kContainerClass, CS_DBLCLKS, ContainerBrush());
    if (!registered)
        return nullptr;
    // A floating faceplate is a pop-up of its own that fills its parent's client area; that
    // parent stays hidden. A pop-child lives inside its visible container.
    DWORD style = WS_POPUP | WS_CLIPCHILDREN;
    RECT rc{tag.x, tag.y, tag.x + tag.width, tag.y + tag.height};
    switch (mode) {
    case OpenMode::Compact:
        break;
    case OpenMode::PopChild:
        style |= WS_VISIBLE;
        break;
    case OpenMode::Detail:
    case OpenMode::PopChildDetail:
        rc.right = tag.x + tag.detailWidth + kDetailExtraWidth;
        rc.bottom = tag.y + tag.detailHeight + kDetailExtraHeight;
        if (mode == OpenMode::PopChildDetail)
            style |= WS_VISIBLE;
        break;
    case OpenMode::Embedded:
        // The client area ends where the faceplate does: no empty margin right and below it.
        style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | WS_CLIPCHILDREN;
        rc = RECT{0, 0, tag.x + tag.width, tag.y + tag.height};
        ::AdjustWindowRectEx(&rc, style, FALSE, 0);
        ::OffsetRect(&rc, tag.containerX.value_or(tag.x) - rc.left,
                     tag.containerY.value_or(tag.y) - rc.top);
        break;
    }
    std::wstring title = L"fphost " + Utf8ToWide(tag.name) + L" " + Utf8ToWide(OpenModeName(mode));
    auto* container = new CContainer(*this, tag.name);
    if (!container->CreateEx(0, kContainerClass, title.c_str(), style, rc, nullptr, 0)) {
        delete container;
        return nullptr;
    }
    return container->m_hWnd;
}

HWND Host::Open(const std::string& tagName, OpenMode mode, std::string& error) {
    if (!m_module.Loaded()) {
        error = "no faceplate module is loaded";
        return nullptr;
    }
    tagFPOpenPara para{};
    if (!BuildRecord(tagName, para, error))
        return nullptr;
    const TagConfig& tag = *m_config.FindTag(tagName);
    HWND container = CreateContainer(tag, mode);
    if (!container) {
        error = "cannot create the container window";
        return nullptr;
    }
    // The module may show a message box while it opens the faceplate (a script can dismiss it).
    HWND hwnd = nullptr;
    const HWND outerOpening = std::exchange(m_opening, container);
    switch (mode) {
    case OpenMode::Compact:
        hwnd = m_module.OpenFP(&para, 1, 0, 1, container);
        break;
    case OpenMode::Detail:
        hwnd = m_module.OpenFP(&para, 1, 1, 1, container);
        break;
    case OpenMode::Embedded:
        hwnd = m_module.OpenFP(&para, 0, 0, 1, container);
        if (hwnd)
            ::ShowWindow(hwnd, SW_SHOW); // an embedded faceplate is created hidden
        break;
    case OpenMode::PopChild:
        hwnd = m_module.OpenPopChildFP(&para, 0, container);
        break;
    case OpenMode::PopChildDetail:
        hwnd = m_module.OpenPopChildFP(&para, 1, container);
        break;
    }
    m_opening = outerOpening;
    if (!hwnd) {
        ::DestroyWindow(container);
        error = "the module opened no window for " + tagName + " (" + OpenModeName(mode) + ")";
        return nullptr;
    }
    m_open.push_back(OpenFaceplate{tag.name, mode, hwnd, container});
    std::printf("fphost: opened %s %s window 0x%p\n", tag.name.c_str(), OpenModeName(mode),
                static_cast<void*>(hwnd));
    std::fflush(stdout);
    return hwnd;
}

int Host::Close(const std::string& tag, int closeType) {
    if (!m_module.Loaded())
        return 0;
    int result = m_module.CloseFP(Utf8ToAnsi(tag).c_str(), closeType);
    Prune();
    return result;
}

int Host::ShowDetail(const std::string& tag, bool show) {
    return m_module.Loaded() ? m_module.ShowDetail(Utf8ToAnsi(tag).c_str(), show ? 1 : 0) : 0;
}

int Host::ChangeUser(const std::string& user, int level, int ack) {
    m_config.user = user;
    m_config.level = level;
    m_config.ack = ack;
    return m_module.Loaded() ? m_module.ChangeUser(Utf8ToAnsi(user).c_str(), level, ack) : 0;
}

int Host::CloseConfirm(const std::string& tag) {
    return m_module.Loaded() ? m_module.CloseConfirmDlg(Utf8ToAnsi(tag).c_str()) : 0;
}

void Host::CloseAll() {
    Prune();
    while (!m_open.empty()) {
        OpenFaceplate fp = m_open.back();
        if (m_module.Loaded())
            m_module.CloseFP(Utf8ToAnsi(fp.tag).c_str(), kCloseAnyKind);
        // Whatever the module did, the container goes, and with it an embedded faceplate.
        if (::IsWindow(fp.container))
            ::DestroyWindow(fp.container);
        m_open.pop_back();
        Prune();
    }
}

void Host::Prune() {
    for (size_t i = m_open.size(); i-- > 0;) {
        if (!::IsWindow(m_open[i].hwnd)) {
            if (::IsWindow(m_open[i].container))
                ::DestroyWindow(m_open[i].container);
            m_open.erase(m_open.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

const std::vector<OpenFaceplate>& Host::Faceplates() {
    Prune();
    return m_open;
}

const OpenFaceplate* Host::Newest() {
    Prune();
    return m_open.empty() ? nullptr : &m_open.back();
}

bool Host::AnyFaceplateVisible() {
    for (const OpenFaceplate& fp : Faceplates())
        if (::IsWindowVisible(fp.hwnd))
            return true;
    return false;
}

bool Host::IsContainer(HWND hwnd) {
    if (!hwnd)
        return false;
    if (hwnd == m_opening)
        return true;
    for (const OpenFaceplate& fp : Faceplates())
        if (hwnd == fp.container)
            return true;
    return false;
}

} // namespace fphost
