#pragma once

#include "core/storagefolders.h"
#include "core/usersettings.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <mutex>

// The single access to the two settings files, and the one place that knows where the
// program keeps what it writes (StorageFolders: beside the program, or the user's folders).
// Every accessor opens the file, reads or writes and closes it again, so nothing is cached
// and each write is on disk when the call returns. A stored value outside what the setting
// can be is replaced by its default for the reader, with one log line, and left as stored.
// Safe to call from any thread.
class ConfigManager : public QObject
{
public:
    static constexpr const char* kDefaultUpdateHost = "127.0.0.1";
    static constexpr const char* kDefaultUpdatePort = "9000";

    static ConfigManager* getInstance();

    // The program uses getInstance(); a separate object is only for tests that change gAppDir.
    // Reads Language/language into gLanguageIndex (0..2).
    ConfigManager();
    explicit ConfigManager(const StorageFolders& storage);

    const StorageFolders& storage() const { return folders; }
    // Lines for the log once it is open: where the data are kept and what the constructor
    // found (it runs before logging starts). Each is handed out once.
    QStringList takeStartNotes();

    QString getDCameraValue(const QString& key) const;
    void setDCameraValue(const QString& key, const QString& value);
    bool getEquipmentValue(const QString& key) const;
    void setEquipmentValue(const QString& key, bool value);
    QString getPathValue(const QString& key) const;
    void setPathValue(const QString& key, const QString& value);
    QString getSettingValue(const QString& key) const;
    void setSettingValue(const QString& key, const QString& value);
    QString getTmpNameValue(const QString& key) const;
    void setTmpNameValue(const QString& key, const QString& value);

    // The user's choices, read with their defaults (missing ones filled in) and written back
    // where the program changes them while it runs: the alarm, tracking and the range.
    UserSettings readUserSettings();
    void writeUserSettings(const UserSettings& settings);

    void getHighFixedTemp(int& max, int& min) const;
    void setHighFixedTemp(int max, int min);
    void getLowFixedTemp(int& max, int& min) const;
    void setLowFixedTemp(int max, int min);
    void getScreenSize(int& width, int& height) const;
    void setScreenSize(int width, int height);
    void getSoftwareSize(int& width, int& height) const;
    void setSoftwareSize(int width, int height);
    void getSoftwareLocation(int& left, int& top) const;
    void setSoftwareLocation(int left, int top);

    void setLanguage(const QString& index);
    void setVersion(const QString& version);

    // Read-and-fill: a missing or unusable value is replaced by the default, which is also
    // written back so the file always holds a usable value.
    QString getUpdateHost();
    QString getUpdatePort();

    // Not stored: chosen by gProductName, case-sensitively.
    static QString getVersion();
    // The project page the title bar opens and the support address of the e-mail button.
    static QString getWebAddress() { return QStringLiteral("https://orvik.example.org/"); }
    static QString getSupportAddress() { return QStringLiteral("support@orvik.example.org"); }

    // Setting/<key> with its read-and-fill default ("50.0" for HighTempThreshold, ...). A key
    // without a default reads as stored.
    QString getSettingOrDefault(const QString& key);
    // Path/ImagePath and Path/VideoPath, defaulting to the storage's picture and video folders.
    QString getPathOrDefault(const QString& key);
    // Setting/RotateAngle: 0, 90, 180 or 270 (missing: 0).
    int getRotation();
    // The fixed display range of the high (true) or low measuring range. A stored pair of two
    // zeros means "never set": (150, 0) or (90, 0) is used and written. A pair that is not
    // ordered or lies outside the range the camera measures gives the default, not written.
    void getFixedTempRange(bool highRange, int& max, int& min);

private:
    QVariant read(const QString& file, const QString& key) const;
    void write(const QString& file, const QString& key, const QVariant& value);
    void readIntPair(const QString& firstKey, const QString& secondKey, int& first, int& second) const;
    // Whether each key is absent or holds a whole number: text that reads as 0 is not a 0.
    bool storedAsNumbersOrMissing(const QString& firstKey, const QString& secondKey) const;
    void writePair(const QString& firstKey, const QVariant& first, const QString& secondKey,
                   const QVariant& second);
    // The stored text of a key, or the fallback written when the file does not hold the key.
    QString readOrFill(const QString& key, const QString& fallback);
    // The same for a key whose empty text means nothing: then the fallback, the file untouched.
    QString readOrFillText(const QString& key, const QString& fallback);
    void reportFallback(const QString& key, const QString& stored, const QString& used);
    static QString fallbackNote(const QString& key, const QString& stored, const QString& used);

    StorageFolders folders;
    QString localSettingPath;
    QString pathConfigPath;
    std::mutex reportedMutex;
    QSet<QString> reported; // settings whose fallback was logged already
    QStringList startNotes;
};
