#include "app/Settings.h"

#include "util/RegUtils.h"

namespace qm {

bool ReadSetting(const TSetting<bool>& setting)
{
    return RegReadBoolDef(kCompany, kProduct, setting.Section, setting.Default, setting.Name);
}

int ReadSetting(const TSetting<int>& setting)
{
    return RegReadIntegerDef(kCompany, kProduct, setting.Section, setting.Default, setting.Name);
}

int ReadSetting(const TSetting<int>& setting, int low, int high)
{
    const int value = ReadSetting(setting);
    return value >= low && value <= high ? value : setting.Default;
}

double ReadSetting(const TSetting<double>& setting)
{
    return RegReadFloatDef(kCompany, kProduct, setting.Section, setting.Default, setting.Name);
}

AnsiString ReadSetting(const TSetting<const char*>& setting)
{
    return RegReadStringDef(kCompany, kProduct, setting.Section, setting.Default, setting.Name);
}

TDateTime ReadSetting(const TDateSetting& setting, TDateTime def)
{
    return RegReadDateTimeDef(kCompany, kProduct, setting.Section, def, setting.Name);
}

std::string ReadSetting(const TPathSetting& setting, const std::string& def)
{
    return RegReadPathDef(kCompany, kProduct, setting.Section, def, setting.Name);
}

void WriteSetting(const TSetting<bool>& setting, bool value)
{
    RegWriteBool(kCompany, kProduct, setting.Section, value, setting.Name);
}

void WriteSetting(const TSetting<int>& setting, int value)
{
    RegWriteInteger(kCompany, kProduct, setting.Section, value, setting.Name);
}

void WriteSetting(const TSetting<double>& setting, double value)
{
    RegWriteFloat(kCompany, kProduct, setting.Section, value, setting.Name);
}

void WriteSetting(const TSetting<const char*>& setting, const AnsiString& value)
{
    RegWriteString(kCompany, kProduct, setting.Section, value, setting.Name);
}

void WriteSetting(const TDateSetting& setting, TDateTime value)
{
    RegWriteDateTime(kCompany, kProduct, setting.Section, value, setting.Name);
}

void WriteSetting(const TPathSetting& setting, const std::string& value)
{
    RegWritePath(kCompany, kProduct, setting.Section, value, setting.Name);
}

bool SettingExists(const char* section, const char* name)
{
    return RegValueExists(kCompany, kProduct, section, name);
}

} // namespace qm
