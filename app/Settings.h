#pragma once
// The program's settings: the registry key they live under, and every value the main window,
// the dialogs and the printing windows keep there, each with its name, its type and the
// default a missing value takes. Each read and write is one call of the registry helpers
// (util/RegUtils.h), which open the key, do it and close it again.
#include <string>

#include "platform/AnsiString.h"
#include "platform/Clock.h"

namespace qm {

// The settings key: Software\<company>\<product>\<section>.
inline constexpr const char* kCompany = "Brenvoke Software";
inline constexpr const char* kProduct = "Quillmart";
// The program's name in captions.
inline constexpr const char* kAppTitle = "Quillmart";

// The subkeys. The item clipboard under "Clipboard" belongs to store/ItemClipboard.h.
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kWindowSection = "Settings\\Window";
inline constexpr const char* kPreviewWindowSection = "Settings\\PreviewWindow";

// A value of type T (bool, int, double; const char* for a string) and the default it reads as
// when it is missing.
template <class T> struct TSetting {
    const char* Section;
    const char* Name;
    T Default;
};
// A value whose default is worked out where it is read: a date, a path.
struct TDateSetting {
    const char* Section;
    const char* Name;
};
struct TPathSetting {
    const char* Section;
    const char* Name;
};

// A window's placement: each value applied only when it is stored.
struct TPlacementSettings {
    TSetting<int> Left, Top, Width, Height;
    TSetting<bool> IsMaximized;
};
inline constexpr TPlacementSettings kWindowPlacement{{kWindowSection, "Left", 0},
                                                     {kWindowSection, "Top", 0},
                                                     {kWindowSection, "Width", 0},
                                                     {kWindowSection, "Height", 0},
                                                     {kWindowSection, "IsMaximized", false}};
inline constexpr TPlacementSettings kPreviewPlacement{{kPreviewWindowSection, "Left", 0},
                                                      {kPreviewWindowSection, "Top", 0},
                                                      {kPreviewWindowSection, "Width", 0},
                                                      {kPreviewWindowSection, "Height", 0},
                                                      {kPreviewWindowSection, "IsMaximized", false}};
// The width of the shopping-list panel, which is the splitter's position.
inline constexpr TSetting<int> kSplitLR{kWindowSection, "SplitLR", 200};

// The main window's display settings, its last store and the storage folder.
inline constexpr TSetting<bool> kToolbarShowCaptions{kSettingsSection, "ToolbarShowCaptions", false};
inline constexpr TSetting<bool> kShowFind{kSettingsSection, "ShowFind", false};
inline constexpr TSetting<bool> kSortByAisle{kSettingsSection, "SortByAisle", true};
inline constexpr TSetting<bool> kErrandsOnTop{kSettingsSection, "ErrandsOnTop", true};
inline constexpr TSetting<const char*> kErrandsString{kSettingsSection, "ErrandsString", "Errands"};
inline constexpr TSetting<const char*> kGridFontName{kSettingsSection, "GridFontName", "Arial"};
inline constexpr TSetting<int> kGridFontSize{kSettingsSection, "GridFontSize", 10};
inline constexpr TSetting<const char*> kListFontName{kSettingsSection, "ListFontName", "Arial"};
inline constexpr TSetting<int> kListFontSize{kSettingsSection, "ListFontSize", 10};
// Its absence marks the first run; an empty one opens no store.
inline constexpr TSetting<const char*> kLastStore{kSettingsSection, "Last Store", ""};
// Default: the AppData folder + "/Quillmart/".
inline constexpr TPathSetting kStorageDir{kSettingsSection, "StorageDir"};

// The version check: whether it runs every two weeks, and when it last ran (default today).
inline constexpr TSetting<bool> kDoCheckForLatest{kSettingsSection, "DoCheckForLatest", true};
inline constexpr TDateSetting kLastCheckDT{kSettingsSection, "LastCheckDT"};

// The tip of the day: shown at start-up, and the last tip shown.
inline constexpr TSetting<bool> kShowTOTD{kSettingsSection, "ShowTOTD", true};
inline constexpr TSetting<int> kTipOfTheDay{kSettingsSection, "TipOfTheDay", 0};

// The print settings: written by the print-preview window, read by it and by the PDF export.
inline constexpr TSetting<const char*> kPrintFontName{kSettingsSection, "PrintFontName", "Arial"};
inline constexpr TSetting<int> kPrintFontSize{kSettingsSection, "PrintFontSize", 10};
inline constexpr TSetting<double> kLineSpacing{kSettingsSection, "LineSpacing", 0.02};
inline constexpr TSetting<int> kPrintColumns{kSettingsSection, "PrintColumns", 3};
inline constexpr TSetting<bool> kDoPrintLandscape{kSettingsSection, "DoPrintLandscape", true};
inline constexpr TSetting<int> kPaperType{kSettingsSection, "PaperType", 0}; // a row of the paper table
inline constexpr TSetting<double> kPrintMarginTop{kSettingsSection, "PrintMarginTop", 0.25};
inline constexpr TSetting<double> kPrintMarginBottom{kSettingsSection, "PrintMarginBottom", 0.25};
inline constexpr TSetting<double> kPrintMarginLeft{kSettingsSection, "PrintMarginLeft", 0.25};
inline constexpr TSetting<double> kPrintMarginRight{kSettingsSection, "PrintMarginRight", 0.25};
inline constexpr TSetting<const char*> kPrintTitle{kSettingsSection, "PrintTitle", "%s Shopping List"};
inline constexpr TSetting<const char*> kPrintTitleIL{kSettingsSection, "PrintTitleIL", "%s Item List"};
inline constexpr TSetting<bool> kDoPrintDate{kSettingsSection, "DoPrintDate", true};
inline constexpr TSetting<bool> kDoPrintPageNum{kSettingsSection, "DoPrintPageNum", true};
inline constexpr TSetting<bool> kDoPrintCheckBoxes{kSettingsSection, "DoPrintCheckBoxes", true};
inline constexpr TSetting<bool> kDoPrintNumItems{kSettingsSection, "DoPrintNumItems", true};
inline constexpr TSetting<int> kPrintZoom{kSettingsSection, "PrintZoom", 6}; // 6: the whole page

// Readers give the setting's default when the value is missing; a value stored with another
// type raises ERegistryException (util/RegUtils.h).
bool ReadSetting(const TSetting<bool>& setting);
int ReadSetting(const TSetting<int>& setting);
double ReadSetting(const TSetting<double>& setting);
// An integer its user needs within low..high (the list font sizes): a stored value outside
// reads as the default, as a missing one does.
int ReadSetting(const TSetting<int>& setting, int low, int high);
AnsiString ReadSetting(const TSetting<const char*>& setting);
TDateTime ReadSetting(const TDateSetting& setting, TDateTime def);
std::string ReadSetting(const TPathSetting& setting, const std::string& def);

void WriteSetting(const TSetting<bool>& setting, bool value);
void WriteSetting(const TSetting<int>& setting, int value);
void WriteSetting(const TSetting<double>& setting, double value);
void WriteSetting(const TSetting<const char*>& setting, const AnsiString& value);
void WriteSetting(const TDateSetting& setting, TDateTime value);
void WriteSetting(const TPathSetting& setting, const std::string& value);

bool SettingExists(const char* section, const char* name);
template <class Setting> bool SettingExists(const Setting& setting)
{
    return SettingExists(setting.Section, setting.Name);
}

} // namespace qm
