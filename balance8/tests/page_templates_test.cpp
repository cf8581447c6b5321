// The built module's dialog templates against the block table and the page tables: every page
// control that the tables name exists on its page with the right class, the templates have the
// shape of a borderless child page, and every id has one name and one value.
#include "Balance8Ids.h"
#include "BlockTable.h"
#include "DialogTemplate.h"
#include "FPConstants.h"
#include "Balance8Bindings.h"
#include "page_templates_test_ids.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace b8test;
using b8::Page;

namespace {

// The rows a predicate picks, in table order.
template <typename Pred> std::vector<const fp::Binding*> RowsWhere(Pred pred) {
    std::vector<const fp::Binding*> rows;
    for (const fp::Binding& row : b8ui::Rows())
        if (pred(row))
            rows.push_back(&row);
    return rows;
}
bool IsCaption(const fp::Binding& row) {
    return row.kind == fp::BindKind::UnitText;
}
bool IsPageSwitch(const fp::Binding& row) {
    return row.window != 0 &&
           (row.kind == fp::BindKind::Toggle || row.kind == fp::BindKind::Latched);
}
Page PageOfWindow(int window) {
    return static_cast<Page>(window);
}

constexpr LANGID kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr int kPageWidth = 489;
constexpr int kPageHeight = 438;

std::wstring BinDir() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

bool SameRect(const RECT& rect, int x, int y, int cx, int cy) {
    return rect.left == x && rect.top == y && rect.right == x + cx && rect.bottom == y + cy;
}
bool IsGroupBox(const DialogItem& item) {
    return item.className == L"Button" && (item.style & BS_TYPEMASK) == BS_GROUPBOX;
}
bool IsEdit(const DialogItem& item) {
    return item.className == L"Edit";
}
bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}
bool Intersect(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end()); // for messages only
}

// The edit on the same row right of a control (a check box or a caption's row), in the same
// group; null when there is none.
const DialogItem* EditRightOf(const DialogTemplate& dlg, const DialogItem& of) {
    const DialogItem* best = nullptr;
    for (const DialogItem& item : dlg.items) {
        if (!IsEdit(item) || item.rect.left < of.rect.right ||
            std::abs(item.rect.top - of.rect.top) > 2)
            continue;
        if (!best || item.rect.left < best->rect.left)
            best = &item;
    }
    return best;
}
// The edit on the same row left of a control (a unit label).
const DialogItem* EditLeftOf(const DialogTemplate& dlg, const DialogItem& of) {
    const DialogItem* best = nullptr;
    for (const DialogItem& item : dlg.items) {
        if (!IsEdit(item) || item.rect.right > of.rect.left ||
            std::abs(item.rect.top - of.rect.top) > 3)
            continue;
        if (!best || item.rect.right > best->rect.right)
            best = &item;
    }
    return best;
}
const DialogItem* GroupOf(const DialogTemplate& dlg, const DialogItem& of) {
    for (const DialogItem& item : dlg.items)
        if (IsGroupBox(item) && Inside(of.rect, item.rect))
            return &item;
    return nullptr;
}

// Unit code item that belongs to a decimals item: the values of one measurement share both.
uint16_t UnitOfDecimals(uint16_t decimalsItem) {
    switch (decimalsItem) {
    case b8::kItemDecimalsFlow:
        return b8::kItemUnitBranchFlow;
    case b8::kItemDecimalsTemp:
        return b8::kItemUnitBranchTemp;
    case b8::kItemDecimalsTubeSkin:
        return b8::kItemUnitTubeSkin;
    default:
        return 0;
    }
}

class PageTemplates : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_module = ::LoadLibraryExW((BinDir() + L"FP_BALANCE8.dll").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
        if (s_module)
            s_dialogs = LoadModuleDialogs(s_module, &s_failed);
    }
    static void TearDownTestSuite() {
        if (s_module)
            ::FreeLibrary(s_module);
        s_module = nullptr;
        s_dialogs.clear();
    }
    void SetUp() override {
        ASSERT_NE(s_module, nullptr) << "FP_BALANCE8.dll not loadable as data";
        ASSERT_TRUE(s_failed.empty()) << "unreadable template " << s_failed.front();
    }

    static const ModuleDialog* Entry(int id) {
        auto it = s_dialogs.find(id);
        return it == s_dialogs.end() ? nullptr : &it->second;
    }
    static const DialogTemplate& Dialog(int id) {
        static const DialogTemplate none;
        const ModuleDialog* entry = Entry(id);
        return entry ? entry->dialog : none;
    }
    static const DialogTemplate& PageDialog(Page page) { return Dialog(b8ui::PageTemplate(page)); }

    static inline HMODULE s_module = nullptr;
    static inline std::map<int, ModuleDialog> s_dialogs;
    static inline std::vector<int> s_failed;
};

// ---- The template reader itself, on the test's own classic and extended templates ----

TEST(TemplateReader, ClassicAndExtendedFormsReadAlike) {
    std::vector<int> failed;
    auto dialogs = LoadModuleDialogs(::GetModuleHandleW(nullptr), &failed);
    EXPECT_TRUE(failed.empty());
    for (int id : {IDD_T_CLASSIC, IDD_T_EXTENDED}) {
        SCOPED_TRACE(id);
        ASSERT_EQ(dialogs.count(id), 1u);
        const DialogTemplate& dlg = dialogs[id].dialog;
        EXPECT_EQ(dlg.extended, id == IDD_T_EXTENDED);
        EXPECT_EQ(dlg.style & (WS_CHILD | DS_SETFONT), static_cast<DWORD>(WS_CHILD | DS_SETFONT));
        EXPECT_EQ(dlg.cx, 120);
        EXPECT_EQ(dlg.cy, 60);
        EXPECT_EQ(dlg.pointSize, 9);
        EXPECT_EQ(dlg.faceName, L"宋体");
        ASSERT_EQ(dlg.items.size(), 4u);
        EXPECT_EQ(dlg.items[0].id, -1);
        EXPECT_EQ(dlg.items[0].className, L"Static");
        EXPECT_EQ(dlg.items[0].text, L"标签");
        const DialogItem* edit = dlg.Find(IDC_T_EDIT);
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->className, L"Edit");
        EXPECT_TRUE(SameRect(edit->rect, 40, 2, 45, 12));
        const DialogItem* check = dlg.Find(IDC_T_CHECK);
        ASSERT_TRUE(check);
        EXPECT_EQ(check->style & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
        EXPECT_EQ(check->text, L"支路1");
        const DialogItem* tab = dlg.Find(IDC_T_TAB);
        ASSERT_TRUE(tab);
        EXPECT_EQ(_wcsicmp(tab->className.c_str(), L"SysTabControl32"), 0);
        EXPECT_TRUE(SameRect(tab->rect, 3, 4, 50, 30));
    }
}

TEST(TemplateReader, TruncatedTemplatesAreRefused) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    for (int id : {IDD_T_CLASSIC, IDD_T_EXTENDED}) {
        HRSRC res = ::FindResourceW(self, MAKEINTRESOURCEW(id), RT_DIALOG);
        ASSERT_TRUE(res);
        const void* data = ::LockResource(::LoadResource(self, res));
        size_t size = ::SizeofResource(self, res);
        DialogTemplate dlg;
        ASSERT_TRUE(ParseDialogTemplate(data, size, &dlg));
        // Cutting the last item's text or anything before it must not pass as a whole template.
        for (size_t cut : {size_t{0}, size_t{3}, size_t{20}, size / 2, size - 8})
            EXPECT_FALSE(ParseDialogTemplate(data, cut, &dlg)) << id << " cut at " << cut;
    }
}

// ---- The nine page templates ----

TEST_F(PageTemplates, NinePagesAreHiddenBorderlessChinesePages) {
    ASSERT_EQ(b8ui::Pages().size(), static_cast<size_t>(b8::kPageCount));
    std::set<int> templates;
    for (const b8ui::PageDef& def : b8ui::Pages()) {
        SCOPED_TRACE(def.templateId);
        EXPECT_TRUE(templates.insert(def.templateId).second);
        const ModuleDialog* entry = Entry(def.templateId);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->language, kChinesePrc);
        const DialogTemplate& dlg = entry->dialog;
        EXPECT_EQ(dlg.cx, kPageWidth);
        EXPECT_EQ(dlg.cy, kPageHeight);
        EXPECT_TRUE(dlg.style & WS_CHILD);
        EXPECT_TRUE(dlg.style & DS_SETFONT);
        // Hidden until its tab is chosen; no caption, no border, no frame of any kind.
        EXPECT_EQ(dlg.style & (WS_VISIBLE | WS_POPUP | WS_CAPTION | WS_BORDER | WS_DLGFRAME |
                               WS_THICKFRAME | WS_SYSMENU | DS_MODALFRAME),
                  0u);
        EXPECT_EQ(dlg.exStyle & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE |
                                 WS_EX_WINDOWEDGE),
                  0u);
        EXPECT_TRUE(dlg.title.empty());
        EXPECT_EQ(dlg.pointSize, 9);
        EXPECT_EQ(dlg.faceName, L"宋体");
        for (const DialogItem& item : dlg.items)
            EXPECT_TRUE(Inside(item.rect, RECT{0, 0, kPageWidth, kPageHeight})) << item.id;
    }
    // The tab host's numbering: tab 7 is the rate page (template 11), tab 8 the K/T/L page (10).
    EXPECT_EQ(b8ui::Pages()[7].templateId, 11);
    EXPECT_EQ(b8ui::Pages()[8].templateId, 10);
    EXPECT_EQ(b8ui::PageTemplate(Page::None), 0);
}

TEST_F(PageTemplates, EveryEditOfTheBlockTableIsOnItsOwnPageOnly) {
    int edits = 0;
    for (size_t i = 0; i < b8::ItemCount(); ++i) {
        const b8::ItemDef& def = b8::Items()[i];
        if (!def.editId)
            continue;
        ++edits;
        SCOPED_TRACE(def.name);
        std::vector<int> holders;
        for (const auto& [id, entry] : s_dialogs)
            if (entry.dialog.Find(def.editId))
                holders.push_back(id);
        ASSERT_EQ(holders.size(), 1u) << "edit " << def.editId;
        EXPECT_EQ(holders[0], b8ui::PageTemplate(def.page));
        EXPECT_TRUE(IsEdit(*Dialog(holders[0]).Find(def.editId)));
    }
    EXPECT_EQ(edits, b8::kSettableCount);
    // And no page has an edit the table does not know.
    for (const b8ui::PageDef& page : b8ui::Pages())
        for (const DialogItem& item : PageDialog(page.page).items)
            if (IsEdit(item)) {
                const b8::ItemDef* def = b8::FindItemByEditId(static_cast<uint16_t>(item.id));
                ASSERT_TRUE(def) << "edit " << item.id << " on template " << page.templateId;
                EXPECT_EQ(def->page, page.page) << def->name;
            }
}

TEST_F(PageTemplates, AlarmCheckBoxesStandBesideTheLimitTheyEnable) {
    ASSERT_EQ(RowsWhere(b8ui::IsAlarmBox).size(), 120u);
    const std::map<uint32_t, std::wstring> levelCaption = {{b8::kAlarmHH, L"高高限"},
                                                           {b8::kAlarmH, L"高限"},
                                                           {b8::kAlarmLL, L"低低限"},
                                                           {b8::kAlarmL, L"低限"}};
    const std::wstring rateCaption[3] = {L"流量测量值速率报警限", L"支路温度速率报警限",
                                         L"炉管表面温度速率报警限"};
    for (const fp::Binding* box_row : RowsWhere(b8ui::IsAlarmBox)) {
        const fp::Binding& row = *box_row;
        SCOPED_TRACE(row.controlId);
        const b8::Measure measure = b8ui::MeasureOfEnableItem(row.item);
        const int branch = b8ui::BranchOfEnableItem(row.item);
        const DialogTemplate& dlg = PageDialog(PageOfWindow(row.window));
        const DialogItem* box = dlg.Find(row.controlId);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->className, L"Button");
        EXPECT_EQ(box->style & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
        EXPECT_FALSE(box->style & BS_PUSHLIKE);
        std::wstring name = PageOfWindow(row.window) == Page::TCSAlarmSetup1 ? L"炉管" : L"支路";
        EXPECT_EQ(box->text, name + std::to_wstring(branch));
        const DialogItem* group = GroupOf(dlg, *box);
        ASSERT_TRUE(group);
        std::wstring expected = row.bits == b8::kAlarmRate
                                    ? rateCaption[static_cast<int>(measure)]
                                    : levelCaption.at(row.bits);
        EXPECT_EQ(group->text, expected);
        // The limit beside the box is coloured by the same bit of the same branch's word.
        const DialogItem* edit = EditRightOf(dlg, *box);
        ASSERT_TRUE(edit);
        ASSERT_TRUE(Inside(edit->rect, group->rect));
        const b8::ItemDef* def = b8::FindItemByEditId(static_cast<uint16_t>(edit->id));
        ASSERT_TRUE(def);
        EXPECT_EQ(def->stateItem, b8::AlarmStateItem(measure, branch)) << def->name;
        EXPECT_EQ(def->stateMask, row.bits) << def->name;
    }
}

TEST_F(PageTemplates, LimitCheckBoxesStandBesideTheLimitTheyEnable) {
    ASSERT_EQ(RowsWhere(b8ui::IsLimitBox).size(), 24u);
    const DialogTemplate& dlg = PageDialog(Page::SVLimtSetup);
    for (const fp::Binding* box_row : RowsWhere(b8ui::IsLimitBox)) {
        const fp::Binding& row = *box_row;
        SCOPED_TRACE(row.controlId);
        EXPECT_EQ(row.window, b8ui::WindowOf(Page::SVLimtSetup));
        const int bitNumber = std::countr_zero(row.bits);
        const DialogItem* box = dlg.Find(row.controlId);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->style & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
        EXPECT_EQ(box->text, L"支路" + std::to_wstring(b8ui::LimitBranch(bitNumber)));
        const DialogItem* edit = EditRightOf(dlg, *box);
        ASSERT_TRUE(edit);
        const b8::ItemDef* def = b8::FindItemByEditId(static_cast<uint16_t>(edit->id));
        ASSERT_TRUE(def);
        EXPECT_EQ(def->stateItem, b8::kItemLimitState) << def->name;
        EXPECT_EQ(def->stateMask, row.bits) << def->name;
        // The rate-limit prompts name the branch.
        EXPECT_EQ(row.promptArg, bitNumber % 3 == 2 ? b8ui::LimitBranch(bitNumber) : 0);
    }
}

TEST_F(PageTemplates, UnitCaptionsShowTheUnitOfTheValuesBesideThem) {
    for (const fp::Binding* caption : RowsWhere(IsCaption)) {
        const fp::Binding& row = *caption;
        SCOPED_TRACE(row.controlId);
        const DialogTemplate& dlg = PageDialog(PageOfWindow(row.window));
        const DialogItem* item = dlg.Find(row.controlId);
        ASSERT_TRUE(item);
        if (IsGroupBox(*item)) {
            ASSERT_TRUE(IsGroupBox(*item));
            EXPECT_FALSE(item->text.empty());
            // Every value in the group is of the caption's measurement.
            int inside = 0;
            for (const DialogItem& edit : dlg.items)
                if (IsEdit(edit) && Inside(edit.rect, item->rect)) {
                    ++inside;
                    const b8::ItemDef* def = b8::FindItemByEditId(static_cast<uint16_t>(edit.id));
                    ASSERT_TRUE(def);
                    EXPECT_EQ(UnitOfDecimals(def->decimalsItem), row.item) << def->name;
                }
            EXPECT_EQ(inside, b8::kBranchCount);
        } else {
            EXPECT_EQ(item->className, L"Static");
            EXPECT_TRUE(item->text.empty()) << "the refresh writes the whole caption";
            const DialogItem* edit = EditLeftOf(dlg, *item);
            ASSERT_TRUE(edit);
            const b8::ItemDef* def = b8::FindItemByEditId(static_cast<uint16_t>(edit->id));
            ASSERT_TRUE(def);
            std::string name = def->name;
            uint16_t unit = name.rfind("FTTL", 0) == 0 ? b8::kItemUnitTotalFlow
                            : name.rfind("TERLMT", 0) == 0 || name.rfind("TMAXER", 0) == 0
                                ? b8::kItemUnitBranchTemp
                                : b8::kItemUnitBranchFlow;
            EXPECT_EQ(row.item, unit) << name;
        }
    }
}

TEST_F(PageTemplates, SwitchButtonsArePushButtonsOfBooleanItems) {
    ASSERT_EQ(RowsWhere(IsPageSwitch).size(), 3u);
    for (const fp::Binding* sw : RowsWhere(IsPageSwitch)) {
        const fp::Binding& row = *sw;
        SCOPED_TRACE(row.controlId);
        const DialogItem* item = PageDialog(PageOfWindow(row.window)).Find(row.controlId);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->className, L"Button");
        DWORD type = item->style & BS_TYPEMASK;
        bool push = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
        bool pushLikeCheck = type == BS_AUTOCHECKBOX && (item->style & BS_PUSHLIKE);
        EXPECT_TRUE(push || pushLikeCheck) << "style " << std::hex << item->style;
        const b8::ItemDef* def = b8::FindItem(row.item);
        ASSERT_TRUE(def);
        EXPECT_EQ(def->type, b8::ValueType::Bool);
        EXPECT_NE(std::string(row.promptOn), row.promptOff);
    }
    EXPECT_EQ(PageDialog(Page::KTLSetup).Find(IDC_CONTROL_METHOD)->text, L"控制方法选择");
}

// Each control of a page with an id is exactly one row: nothing on a page goes unbound, and
// nothing is bound twice.
TEST_F(PageTemplates, EveryNamedControlOfAPageIsExactlyOneRow) {
    for (const b8ui::PageDef& page : b8ui::Pages()) {
        SCOPED_TRACE(page.templateId);
        std::set<int> ids;
        for (const DialogItem& item : PageDialog(page.page).items) {
            if (item.id == IDC_STATIC)
                continue;
            EXPECT_TRUE(ids.insert(item.id).second) << "id " << item.id << " twice on the page";
            int rows = 0;
            for (const fp::Binding& row : b8ui::Rows())
                rows += row.window == b8ui::WindowOf(page.page) && row.controlId == item.id;
            EXPECT_EQ(rows, 1) << "control " << item.id << " \"" << Narrow(item.text) << "\"";
        }
    }
}

TEST_F(PageTemplates, ControlsOfAPageDoNotOverlap) {
    for (const b8ui::PageDef& page : b8ui::Pages()) {
        SCOPED_TRACE(page.templateId);
        const DialogTemplate& dlg = PageDialog(page.page);
        for (size_t i = 0; i < dlg.items.size(); ++i) {
            const DialogItem& a = dlg.items[i];
            if (IsGroupBox(a))
                continue;
            // A control that reaches into a group box lies wholly inside it.
            for (const DialogItem& group : dlg.items) {
                if (IsGroupBox(group) && Intersect(a.rect, group.rect)) {
                    EXPECT_TRUE(Inside(a.rect, group.rect))
                        << a.id << " \"" << Narrow(a.text) << "\" crosses group " << group.id;
                }
            }
            for (size_t j = i + 1; j < dlg.items.size(); ++j) {
                const DialogItem& b = dlg.items[j];
                if (!IsGroupBox(b)) {
                    EXPECT_FALSE(Intersect(a.rect, b.rect))
                        << "controls " << i << " (" << a.id << ") and " << j << " (" << b.id
                        << ") overlap";
                }
            }
        }
    }
}

TEST_F(PageTemplates, TheTabControlSitsBesideTheSwitchColumn) {
    const DialogItem* tab = Dialog(IDD_FP_MAIN).Find(IDC_FP_TAB);
    ASSERT_TRUE(tab);
    EXPECT_EQ(_wcsicmp(tab->className.c_str(), L"SysTabControl32"), 0);
    EXPECT_TRUE(SameRect(tab->rect, 79, 2, 280, 401))
        << tab->rect.left << "," << tab->rect.top << " " << tab->rect.right - tab->rect.left << "x"
        << tab->rect.bottom - tab->rect.top;
}

// ---- The id header: one value per name, and a name for every id the templates use ----

// The header as the build compiled it, embedded in the test's resources.
// The #defines of the module's id headers, embedded in the test.
std::map<std::string, long> ReadIdHeader(std::vector<std::string>* conflicts) {
    std::map<std::string, long> ids;
    HMODULE self = ::GetModuleHandleW(nullptr);
    const std::regex define(R"(^\s*#\s*define\s+(ID[CDI]_\w+)\s+\(?(-?\d+)\)?)");
    for (int header : {IDR_T_IDS_HEADER, IDR_T_FP_IDS_HEADER}) {
        HRSRC res = ::FindResourceW(self, MAKEINTRESOURCEW(header), RT_RCDATA);
        if (!res)
            continue;
        std::istringstream in(
            std::string(static_cast<const char*>(::LockResource(::LoadResource(self, res))),
                        ::SizeofResource(self, res)));
        for (std::string line; std::getline(in, line);) {
            std::smatch m;
            if (!std::regex_search(line, m, define))
                continue;
            long value = std::stol(m[2]);
            auto [it, added] = ids.emplace(m[1], value);
            if (!added && it->second != value)
                conflicts->push_back(m[1]);
        }
    }
    return ids;
}

TEST_F(PageTemplates, EveryIdHasOneNameHomeAndOneValue) {
    std::vector<std::string> conflicts;
    auto ids = ReadIdHeader(&conflicts);
    ASSERT_GT(ids.size(), 500u) << "id header not embedded";
    EXPECT_TRUE(conflicts.empty()) << conflicts.front() << " has two values";
    std::set<long> controls, templates;
    for (const auto& [name, value] : ids)
        (name.rfind("IDD_", 0) == 0 ? templates : controls).insert(value);
    for (const auto& [id, entry] : s_dialogs) {
        EXPECT_TRUE(templates.count(id)) << "template " << id << " has no name";
        for (const DialogItem& item : entry.dialog.items) {
            if (item.id != IDC_STATIC) {
                EXPECT_TRUE(controls.count(item.id))
                    << "control " << item.id << " of template " << id << " has no name";
            }
        }
    }
}

// ---- The rows the page handlers look up ----

TEST(PageTables, MeasurementsMapToTheKindsOfTheAlarmFamilies) {
    EXPECT_EQ(b8ui::AlarmKind(b8::Measure::Flow), 0);
    EXPECT_EQ(b8ui::AlarmKind(b8::Measure::Temp), 2);
    EXPECT_EQ(b8ui::AlarmKind(b8::Measure::TubeSkin), 3);
    for (b8::Measure m : {b8::Measure::Flow, b8::Measure::Temp, b8::Measure::TubeSkin}) {
        b8::Measure back{};
        ASSERT_TRUE(b8ui::MeasureOfAlarmKind(b8ui::AlarmKind(m), &back));
        EXPECT_EQ(back, m);
    }
    b8::Measure unused = b8::Measure::Temp;
    for (int kind : {1, 4, -1})
        EXPECT_FALSE(b8ui::MeasureOfAlarmKind(kind, &unused)) << kind;
    EXPECT_EQ(unused, b8::Measure::Temp);
}

TEST(PageTables, ABoxIsKnownByItsPageAndItsId) {
    struct Case {
        Page page;
        int id;
        b8::Measure measure;
        int branch;
        uint32_t bit;
        uint16_t enableItem;
    } cases[] = {
        {Page::PVAlarmSetup, 12581, b8::Measure::Flow, 3, b8::kAlarmHH, 507},
        {Page::PVAlarmSetup, 12567, b8::Measure::Flow, 5, b8::kAlarmL, 511},
        {Page::PVAlarmSetup, 12531, b8::Measure::Flow, 1, b8::kAlarmH, 503},
        {Page::SpeedAlarmSetup, 12531, b8::Measure::Flow, 1, b8::kAlarmRate, 503},
        {Page::SpeedAlarmSetup, 12532, b8::Measure::Flow, 2, b8::kAlarmRate, 505},
        {Page::TAlarmSetup1, 12531, b8::Measure::Temp, 2, b8::kAlarmLL, 521},
        {Page::TAlarmSetup1, 12503, b8::Measure::Temp, 1, b8::kAlarmH, 519},
        {Page::TAlarmSetup1, 12504, b8::Measure::Temp, 1, b8::kAlarmL, 519},
        {Page::TAlarmSetup1, 12505, b8::Measure::Temp, 1, b8::kAlarmLL, 519},
        {Page::TCSAlarmSetup1, 12570, b8::Measure::TubeSkin, 8, b8::kAlarmLL, 549},
        {Page::TCSAlarmSetup1, 12515, b8::Measure::TubeSkin, 1, b8::kAlarmHH, 535},
        {Page::SpeedAlarmSetup, 12529, b8::Measure::TubeSkin, 7, b8::kAlarmRate, 547},
    };
    for (const Case& c : cases) {
        const fp::Binding* row = b8ui::FindRow(b8ui::WindowOf(c.page), c.id);
        ASSERT_TRUE(row && b8ui::IsAlarmBox(*row)) << c.id;
        EXPECT_EQ(b8ui::MeasureOfEnableItem(row->item), c.measure) << c.id;
        EXPECT_EQ(b8ui::BranchOfEnableItem(row->item), c.branch) << c.id;
        EXPECT_EQ(row->bits, c.bit) << c.id;
        EXPECT_EQ(row->item, c.enableItem) << c.id;
        EXPECT_EQ(row->width, sizeof(uint16_t)) << c.id;
    }
    const fp::Binding* limit = b8ui::FindRow(b8ui::WindowOf(Page::SVLimtSetup), 12533);
    ASSERT_TRUE(limit);
    EXPECT_TRUE(b8ui::IsLimitBox(*limit));
    EXPECT_EQ(limit->width, sizeof(uint32_t));
    const fp::Binding* edit = b8ui::FindRow(b8ui::WindowOf(Page::PVAlarmSetup), 12323);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->kind, fp::BindKind::Value);
    EXPECT_FALSE(b8ui::IsAlarmBox(*edit));
}

TEST(PageTables, PromptsFollowTheBitOfTheBox) {
    auto row = [](Page page, int id) {
        const fp::Binding* found = b8ui::FindRow(b8ui::WindowOf(page), id);
        EXPECT_TRUE(found) << id;
        return found ? *found : fp::Binding{};
    };
    EXPECT_STREQ(row(Page::PVAlarmSetup, IDC_PVA_HH3).promptOn, "FP_ACCUM_STR000269");
    EXPECT_STREQ(row(Page::TAlarmSetup1, IDC_TA_LL2).promptOff, "FP_ACCUM_STR000276");
    EXPECT_STREQ(row(Page::TCSAlarmSetup1, IDC_TCSA_L8).promptOn, "FP_ACCUM_STR000277");
    EXPECT_STREQ(row(Page::SpeedAlarmSetup, IDC_RATE_TCS1).promptOn, "FP_ACCUM_STR000392");
    EXPECT_EQ(row(Page::SpeedAlarmSetup, IDC_RATE_TCS1).promptArg, 0);

    // The rate limit of branch 6 is bit 17 (0x20000), with the prompts that name the branch.
    const fp::Binding rate6 = row(Page::SVLimtSetup, IDC_SVL_RATE6);
    EXPECT_EQ(rate6.bits, 0x20000u);
    EXPECT_EQ(rate6.promptArg, 6);
    EXPECT_STREQ(rate6.promptOn, "FP_ACCUM_STR000473");
    const fp::Binding high1 = row(Page::SVLimtSetup, 12502);
    EXPECT_EQ(b8::kLimitBits & ~high1.bits, 0xFFFFFEu);
    EXPECT_EQ(high1.promptArg, 0);
    EXPECT_STREQ(high1.promptOff, "FP_ACCUM_STR000316");
    EXPECT_STREQ(row(Page::SVLimtSetup, 12524).promptOn, "FP_ACCUM_STR000317");

    const fp::Binding oos = row(Page::FirstSetup, 12126);
    EXPECT_EQ(oos.kind, fp::BindKind::Toggle);
    EXPECT_EQ(oos.item, 94);
    EXPECT_STREQ(oos.promptOff, "FP_ACCUM_STR000179");
    const fp::Binding method = row(Page::KTLSetup, 12655);
    EXPECT_EQ(method.kind, fp::BindKind::Latched);
    EXPECT_EQ(method.item, 103);
    EXPECT_STREQ(method.promptOff, "FP_ACCUM_STR000476");
    EXPECT_EQ(b8ui::FindRow(b8ui::WindowOf(Page::KTLSetup), 12126), nullptr);
}

// The main dialog's rows in the order of its refresh: the mode pair, the status lines, then
// the seven loop switches 96, 102, 101, 98, 100, 99, 97.
TEST(PageTables, TheMainDialogIsShownInItsRefreshOrder) {
    std::vector<int> ids;
    std::vector<uint16_t> items;
    for (const fp::Binding& row : b8ui::Rows())
        if (row.window == 0) {
            ids.push_back(row.controlId);
            items.push_back(row.item);
        }
    EXPECT_EQ(ids, (std::vector<int>{12151, 32769, IDC_FP_STATUS, 12499, 12108, 12107, 12104, 12105,
                                     12106, 12103}));
    EXPECT_EQ(items, (std::vector<uint16_t>{95, 95, 105, 96, 102, 101, 98, 100, 99, 97}));
}

} // namespace
