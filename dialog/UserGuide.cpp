#include "dialog/UserGuide.h"

#include <dlfcn.h>
#include <sys/auxv.h>

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace velmora::dialog {

namespace {

// Any address inside this object serves to find the file it was loaded from.
const char kAnchor = 0;

// The file this code was loaded from. For the main program the dynamic
// linker only knows argv[0], which may be a bare name found on PATH, so
// the kernel's name of the executable is used instead.
QString CodeFile() {
    Dl_info self{};
    if (dladdr(&kAnchor, &self) == 0 || !self.dli_fname) return {};
    Dl_info program{};
    const auto* programHeaders = reinterpret_cast<const void*>(getauxval(AT_PHDR));
    const bool inProgram = programHeaders && dladdr(programHeaders, &program) != 0 &&
                           program.dli_fbase == self.dli_fbase;
    if (inProgram || self.dli_fname[0] == '\0')
        return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return QString::fromLocal8Bit(self.dli_fname);
}

QString PageIn(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(kGuideFolder) + QStringLiteral("/index.html"));
}

}  // namespace

QString UserGuideAddress(const QString& fragment) {
    const QFileInfo code(CodeFile());
    QString page = PageIn(code.absolutePath());
    if (!QFileInfo::exists(page)) {
        const QString resolved = code.canonicalFilePath();
        if (!resolved.isEmpty() && QFileInfo::exists(PageIn(QFileInfo(resolved).absolutePath())))
            page = PageIn(QFileInfo(resolved).absolutePath());
    }
    QUrl address = QUrl::fromLocalFile(QDir::cleanPath(page));
    if (!fragment.isEmpty()) address.setFragment(fragment);
    return address.toString(QUrl::FullyEncoded);
}

}  // namespace velmora::dialog
