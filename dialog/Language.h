// The language of the module's windows. Russian is the texts' own language;
// VELMORA_LANGUAGE=en shows them in English through a translator compiled in
// as a resource (:/translations/velmora_en.qm).
#pragma once

#include <QString>
#include <memory>

class QTranslator;

namespace velmora::dialog {

/// The language VELMORA_LANGUAGE asks for: "en" for any English value
/// ("en", "en_GB", "EN_us.UTF-8"), else "ru".
QString RequestedLanguage();

/// Installs the module's translator for a language into the running
/// application for its lifetime and removes it afterwards, so a host with
/// its own QApplication and translators gets them back as they were. The
/// translator holds only the module's contexts. Russian installs nothing;
/// so does a scope inside another one, or one without an application.
class tLanguageScope {
  public:
    explicit tLanguageScope(const QString& language = RequestedLanguage());
    ~tLanguageScope();
    tLanguageScope(const tLanguageScope&) = delete;
    tLanguageScope& operator=(const tLanguageScope&) = delete;

    /// True when this scope installed a translator.
    bool Installed() const { return translator_ != nullptr; }

  private:
    std::unique_ptr<QTranslator> translator_;
};

/// A failure message as the user reads it: translated when the module's
/// translator is installed; a trailing " (Unit)" stays as it is.
QString FailureText(const char* message);

}  // namespace velmora::dialog
