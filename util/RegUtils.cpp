#include "util/RegUtils.h"

#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "util/ExtraWinUtils.h"

namespace qm {

namespace {

AnsiString SettingsKey(const AnsiString& company, const AnsiString& product, const AnsiString& section)
{
    AnsiString key = "Software\\" + company + "\\" + product;
    if (!section.empty())
        key += "\\" + section;
    return key;
}

// The section's key opened read-only, or nothing when it is missing.
bool OpenForRead(TRegistry& reg, const AnsiString& company, const AnsiString& product,
                 const AnsiString& section)
{
    return reg.OpenKeyReadOnly(SettingsKey(company, product, section));
}

void OpenForWrite(TRegistry& reg, const AnsiString& company, const AnsiString& product,
                  const AnsiString& section, const AnsiString& name)
{
    if (!reg.OpenKey(SettingsKey(company, product, section), true))
        throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

template <class T, class Read>
T ReadOr(const AnsiString& company, const AnsiString& product, const AnsiString& section, T def,
         const AnsiString& name, Read read)
{
    TRegistry reg(HKEY_CURRENT_USER);
    if (!OpenForRead(reg, company, product, section))
        return def;
    auto value = read(reg, name);
    return value ? T(*value) : def;
}

} // namespace

bool RegReadBoolDef(const AnsiString& company, const AnsiString& product, const AnsiString& section, bool def,
                    const AnsiString& name)
{
    return ReadOr(company, product, section, def, name,
                  [](TRegistry& r, const AnsiString& n) { return r.TryReadBool(n); });
}

bool RegReadBool(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                 const AnsiString& name)
{
    return RegReadBoolDef(company, product, section, false, name);
}

int RegReadIntegerDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                      int def, const AnsiString& name)
{
    return ReadOr(company, product, section, def, name,
                  [](TRegistry& r, const AnsiString& n) { return r.TryReadInteger(n); });
}

int RegReadInteger(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                   const AnsiString& name)
{
    return RegReadIntegerDef(company, product, section, 0, name);
}

double RegReadFloatDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                       double def, const AnsiString& name)
{
    return ReadOr(company, product, section, def, name,
                  [](TRegistry& r, const AnsiString& n) { return r.TryReadFloat(n); });
}

TDateTime RegReadDateTimeDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                             TDateTime def, const AnsiString& name)
{
    return ReadOr(company, product, section, def, name,
                  [](TRegistry& r, const AnsiString& n) { return r.TryReadDateTime(n); });
}

TDateTime RegReadDateTime(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                          const AnsiString& name)
{
    return RegReadDateTimeDef(company, product, section, 0.0, name);
}

AnsiString RegReadStringDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                            const AnsiString& def, const AnsiString& name)
{
    return ReadOr(company, product, section, def, name,
                  [](TRegistry& r, const AnsiString& n) { return r.TryReadString(n); });
}

AnsiString RegReadString(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                         const AnsiString& name)
{
    return RegReadStringDef(company, product, section, AnsiString(), name);
}

bool RegValueExists(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                    const AnsiString& name)
{
    TRegistry reg(HKEY_CURRENT_USER);
    return OpenForRead(reg, company, product, section) && reg.ValueExists(name);
}

void RegGetKeyNames(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                    AnsiString& names, int& count, const AnsiString& separator)
{
    names.clear();
    count = 0;
    TRegistry reg(HKEY_CURRENT_USER);
    if (!OpenForRead(reg, company, product, section))
        return;
    for (const auto& name : reg.GetKeyNames()) {
        names += name + separator;
        ++count;
    }
}

void RegWriteBool(const AnsiString& company, const AnsiString& product, const AnsiString& section, bool value,
                  const AnsiString& name)
{
    TRegistry reg(HKEY_CURRENT_USER);
    OpenForWrite(reg, company, product, section, name);
    reg.WriteBool(name, value);
}

void RegWriteInteger(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                     int value, const AnsiString& name)
{
    TRegistry reg(HKEY_CURRENT_USER);
    OpenForWrite(reg, company, product, section, name);
    reg.WriteInteger(name, value);
}

void RegWriteFloat(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                   double value, const AnsiString& name)
{
    TRegistry reg(HKEY_CURRENT_USER);
    OpenForWrite(reg, company, product, section, name);
    reg.WriteFloat(name, value);
}

void RegWriteDateTime(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                      TDateTime value, const AnsiString& name)
{
    RegWriteFloat(company, product, section, value, name);
}

void RegWriteString(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                    const AnsiString& value, const AnsiString& name)
{
    RegWriteString(company, product, section, false, value, name);
}

void RegWriteString(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                    bool expand, const AnsiString& value, const AnsiString& name)
{
    TRegistry reg(HKEY_CURRENT_USER);
    OpenForWrite(reg, company, product, section, name);
    if (expand)
        reg.WriteExpandString(name, value);
    else
        reg.WriteString(name, value);
}

std::string RegReadPathDef(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                           const std::string& def, const AnsiString& name)
{
    TRegistry reg(HKEY_CURRENT_USER);
    if (!OpenForRead(reg, company, product, section))
        return def;
    if (reg.GetDataType(name) == rdBinary)
        return reg.ReadBinaryData(name);
    const std::optional<AnsiString> text = reg.TryReadString(name);
    return text ? ToFileName(*text) : def;
}

void RegWritePath(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                  const std::string& path, const AnsiString& name)
{
    TRegistry reg(HKEY_CURRENT_USER);
    OpenForWrite(reg, company, product, section, name);
    const AnsiString text = FromFileName(path);
    if (ToFileName(text) == path)
        reg.WriteString(name, text);
    else
        reg.WriteBinaryData(name, path);
}

bool RegKeyExists(const AnsiString& company, const AnsiString& product, const AnsiString& key)
{
    TRegistry reg(HKEY_CURRENT_USER);
    return reg.KeyExists(SettingsKey(company, product, key));
}

void RegDeleteKey(const AnsiString& company, const AnsiString& product, const AnsiString& key)
{
    if (key.empty())
        return; // never the whole product key
    TRegistry reg(HKEY_CURRENT_USER);
    reg.DeleteKey(SettingsKey(company, product, key));
}

void RegDeleteSubKey(const AnsiString& company, const AnsiString& product, const AnsiString& section,
                     const AnsiString& key)
{
    if (key.empty())
        return; // never the section itself
    TRegistry reg(HKEY_CURRENT_USER);
    reg.DeleteKey(SettingsKey(company, product, section) + "\\" + key);
}

// File-type association

namespace {

// Lower-case ASCII letters and digits, every other run of characters one "-".
std::string Slug(const AnsiString& text)
{
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += char(c);
        else if (c >= 'A' && c <= 'Z')
            out += char(c - 'A' + 'a');
        else if (!out.empty() && out.back() != '-')
            out += '-';
    }
    while (!out.empty() && out.back() == '-')
        out.pop_back();
    return out;
}

// A command line of the other platform's form: blank-separated words, a word in double
// quotes may hold blanks.
std::vector<AnsiString> SplitCommand(const AnsiString& command)
{
    std::vector<AnsiString> words;
    size_t i = 0;
    while (i < command.size()) {
        if (command[i] == ' ' || command[i] == '\t') {
            ++i;
            continue;
        }
        AnsiString word;
        while (i < command.size() && command[i] != ' ' && command[i] != '\t') {
            if (command[i] == '"') {
                const size_t close = command.find('"', i + 1);
                const size_t end = close == AnsiString::npos ? command.size() : close;
                word += command.substr(i + 1, end - i - 1);
                i = close == AnsiString::npos ? end : close + 1;
            } else {
                word += command[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

// One argument of a desktop entry's Exec line: quoted when it holds a reserved character,
// with "%" doubled.
QString ExecArgument(const QString& arg)
{
    QString a = arg;
    a.replace('%', "%%");
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = a.isEmpty();
    for (QChar c : a)
        quote = quote || reserved.contains(c);
    if (!quote)
        return a;
    QString out = "\"";
    for (QChar c : a) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// A value of a desktop entry key: backslashes and control characters escaped.
QString KeyFileValue(const QString& value)
{
    QString out;
    for (QChar c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

QString XmlText(const QString& text)
{
    return text.toHtmlEscaped();
}

// path: the system's bytes.
void WriteTextFile(const std::string& path, const QByteArray& content)
{
    std::error_code ec;
    std::filesystem::create_directories(FolderOf(path), ec);
    WriteFileAtomically(path, std::string_view(content.constData(), size_t(content.size())));
}

// Runs a desktop tool when it is installed; its failure leaves the files in place and is
// only logged, as the association still works once the desktop rereads them.
void RunTool(const char* program, const QStringList& args)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
    if (path.isEmpty())
        return;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(path, args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(1000);
        std::fprintf(stderr, "quillmart: %s did not finish\n", program);
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "quillmart: %s failed with exit code %d\n", program, process.exitCode());
    }
}

void CreateKeyOrRaise(TRegistry& reg, const AnsiString& key)
{
    if (!reg.OpenKey("\\" + key, true))
        throw ERegistryException(Format("Failed to create key '%s'", key.c_str()));
}

} // namespace

void RegisterFileType(const AnsiString& extension, const AnsiString& description, const AnsiString& icon,
                      const AnsiString& command)
{
    if (extension.empty() || extension.find_first_of("/\\ \t\r\n*?[]") != AnsiString::npos)
        throw ERegistryException(Format("Invalid file extension '%s'", extension.c_str()));
    const std::vector<AnsiString> words = SplitCommand(command);
    if (words.empty() || words[0].empty())
        throw ERegistryException(Format("Invalid command '%s'", command.c_str()));

    // The classes-root keys, created in this order.
    AnsiString progId = description;
    for (char& c : progId)
        if (c == ' ')
            c = '_';
    progId += "Ref";
    const AnsiString extKey = "." + extension;
    TRegistry reg(HKEY_CLASSES_ROOT);
    for (const AnsiString& key : {extKey, progId, progId + "\\DefaultIcon", progId + "\\Shell",
                                  progId + "\\Shell\\Open", progId + "\\Shell\\Open\\Command"})
        CreateKeyOrRaise(reg, key);
    CreateKeyOrRaise(reg, extKey);
    reg.WriteString("", progId);
    CreateKeyOrRaise(reg, progId);
    reg.WriteString("", description);
    reg.WriteBinaryData("EditFlags", std::string_view("\x00\x00\x01\x00", 4));
    CreateKeyOrRaise(reg, progId + "\\DefaultIcon");
    reg.WriteString("", icon);
    CreateKeyOrRaise(reg, progId + "\\Shell\\Open\\Command");
    reg.WriteString("", command);

    // The desktop's side: a MIME type for the extension and a desktop entry that opens it.
    std::string typeSlug = Slug(description);
    if (typeSlug.empty())
        typeSlug = Slug(extension);
    const QString mimeType = QString::fromLatin1("application/x-") + QString::fromStdString(typeSlug);
    const std::string dataHome = GetShellFolder("AppData");

    QByteArray xml;
    xml += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    xml += "  <mime-type type=\"" + mimeType.toUtf8() + "\">\n";
    xml += "    <comment>" + XmlText(ToQString(description)).toUtf8() + "</comment>\n";
    xml += "    <glob pattern=\"*." + XmlText(ToQString(extension)).toUtf8() + "\"/>\n";
    xml += "  </mime-type>\n";
    xml += "</mime-info>\n";
    WriteTextFile(dataHome + "/mime/packages/" + typeSlug + ".xml", xml);

    const AnsiString programName = ExtractFileNameNoExt(words[0]);
    std::string desktopId = Slug(programName);
    if (desktopId.empty())
        desktopId = typeSlug;
    desktopId += ".desktop";
    QString name = ToQString(programName.empty() ? description : programName);
    if (!name.isEmpty())
        name[0] = name[0].toUpper();

    QStringList exec;
    for (const AnsiString& word : words)
        exec << (word == "%1" ? QStringLiteral("%f")
                              : ExecArgument(QString::fromStdString(ToFileName(word))));
    QByteArray entry;
    entry += "[Desktop Entry]\n";
    entry += "Type=Application\n";
    entry += "Name=" + KeyFileValue(name).toUtf8() + "\n";
    entry += "Exec=" + KeyFileValue(exec.join(' ')).toUtf8() + "\n";
    entry += "MimeType=" + mimeType.toUtf8() + ";\n";
    AnsiString iconFile = icon;
    if (const size_t comma = iconFile.rfind(','); comma != AnsiString::npos)
        iconFile.erase(comma);
    const QFileInfo iconInfo(QString::fromStdString(ToFileName(iconFile)));
    const QString iconSuffix = iconInfo.suffix().toLower();
    if (iconInfo.isFile() && (iconSuffix == "png" || iconSuffix == "svg" || iconSuffix == "xpm"))
        entry += "Icon=" + KeyFileValue(iconInfo.absoluteFilePath()).toUtf8() + "\n";
    entry += "Terminal=false\n";
    entry += "NoDisplay=true\n";
    WriteTextFile(dataHome + "/applications/" + desktopId, entry);

    RunTool("update-mime-database", {PathToQString(dataHome + "/mime")});
    RunTool("xdg-mime", {"default", QString::fromStdString(desktopId), mimeType});
}

} // namespace qm
