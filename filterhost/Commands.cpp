#include "filterhost/Commands.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <system_error>

#include "filterhost/Document.h"
#include "filterhost/EditWindow.h"
#include "filterhost/Interrupt.h"
#include "filterhost/Metadata.h"
#include "filterhost/ProgressDisplay.h"
#include "hostlib/FileOps.h"
#include "hostlib/FilterHost.h"
#include "hostlib/HostError.h"
#include "hostlib/PluginModule.h"

namespace filterhost {

namespace {

ProgressDisplay* shownProgress = nullptr;

void PrintLine(const std::string& text) {
    if (shownProgress) shownProgress->Clear();
    std::fprintf(stderr, "filterhost: %s\n", text.c_str());
}

void Warn(const std::string& text) {
    PrintLine("warning: " + text);
}

std::string ExecutableDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

// The first valid filter module of a folder, in name order.
PluginInfo FirstPluginIn(const std::string& dir) {
    for (const auto& file : FindPluginFiles(dir)) {
        try {
            return ReadPluginInfo(file);
        } catch (const HostError&) {
            // Not a module: try the next file.
        }
    }
    throw HostError("no filter plug-in in " + dir + "; pass --plugin PATH");
}

PluginInfo ResolvePlugin(const CommonOptions& options) {
    if (options.plugin.empty()) return FirstPluginIn(DefaultPluginDir());
    if (IsDirectory(options.plugin)) return FirstPluginIn(options.plugin);
    return ReadPluginInfo(options.plugin);
}

std::string ParamsPathFor(const CommonOptions& options, const PluginInfo& info) {
    return options.params.empty() ? DefaultParamsPath(info.name) : options.params;
}

bool HasExtension(const std::string& path) {
    const std::string base = BaseName(path);
    const auto dot = base.find_last_of('.');
    return dot != std::string::npos && dot != 0;
}

// The output's format: from its extension, else the input's.
FileFormat OutputFormat(const std::string& output, FileFormat inputFormat) {
    if (auto f = FormatFromExtension(output)) return *f;
    if (HasExtension(output))
        throw HostError(output + ": unknown output format (use .tif, .tiff, .png, .jpg or .jpeg)");
    return inputFormat;
}

// What a command does around the filter run of one document (edit: its window).
struct RunHooks {
    // The document as read, before the first selector.
    std::function<void(const Document&)> beforeFilter;
    // The document as the module left it, before it is written.
    std::function<void(const Document&)> afterFilter;
};

// One command's filter runs: the module, its host and the params file.
class Session {
  public:
    Session(const CommonOptions& options, int files)
        : info_(ResolvePlugin(options)),
          paramsPath_(ParamsPathFor(options, info_)),
          progress_(files, ProgressDisplay::StderrIsTerminal()) {
        // A stored block of the wrong size is refused before anything runs.
        auto block = LoadParams(paramsPath_, size_t(kParameterBlockSize));
        module_ = std::make_unique<PluginModule>(info_);
        host_ = std::make_unique<FilterHost>(*module_);
        if (block) host_->SetParameterBlock(*block);
        shownProgress = &progress_;
    }
    ~Session() { shownProgress = nullptr; }

    FilterHost& Host() { return *host_; }
    const PluginInfo& Info() const { return info_; }

    // Filters one file into output; throws HostError (Interruption on Ctrl-C).
    // Cancellation when the module answered -128.
    void Run(int index, const std::string& input, const std::string& output, bool withDialog,
             const RunHooks& hooks = {}) {
        Document doc = ReadDocument(input);
        if (!info_.SupportsMode(doc.ImageMode()))
            throw HostError(input + ": " + info_.name + " does not take " + doc.ModeName() +
                            " documents (its modes: " + info_.ModesText() + ")");
        const FileFormat format = OutputFormat(output, doc.format);
        try {
            CheckWritable(doc, format);
        } catch (const HostError& e) {
            throw HostError(output + ": " + e.what());
        }
        if (SameFile(input, output))
            throw HostError(output + ": is the input file; choose another output");
        Metadata metadata = Metadata::Read(input);
        if (!metadata.Note().empty())
            Warn(input + ": " + metadata.Note() + "; it is not carried over");

        if (hooks.beforeFilter) hooks.beforeFilter(doc);
        progress_.BeginFile(index, BaseName(input), uint64_t(doc.width) * uint64_t(doc.height));
        try {
            host_->Filter(doc, {withDialog, [this](double f) { progress_.Update(f); },
                                &InterruptFlag(), "Ctrl-C"});
        } catch (const HostError& e) {
            progress_.EndFile();
            if (dynamic_cast<const Interruption*>(&e)) throw Interruption(input + ": " + e.what());
            if (dynamic_cast<const Cancellation*>(&e)) throw Cancellation(input + ": " + e.what());
            throw HostError(input + ": " + e.what());
        }
        progress_.EndFile();
        if (doc.model == ColorModel::Rgb && !host_->ProfileNote().empty())
            Warn(input + ": " + host_->ProfileNote());
        if (hooks.afterFilter) hooks.afterFilter(doc);

        TempFile temp(output);
        try {
            WriteDocument(doc, temp.Path(), format);
        } catch (const std::bad_alloc&) {
            throw HostError(output + ": not enough memory to write the image");
        } catch (const HostError& e) {
            // The codecs name the temporary file; the user knows the output's name.
            std::string m = e.what();
            if (m.compare(0, temp.Path().size(), temp.Path()) == 0)
                m = output + m.substr(temp.Path().size());
            throw HostError(m);
        }
        metadata.WriteTo(temp.Path(), output);
        // Ctrl-C while the file was written: it is not put in place.
        if (Interrupted()) throw Interruption(input + ": cancelled (Ctrl-C)");
        temp.Commit();
        if (auto block = host_->ParameterBlock()) SaveParams(paramsPath_, *block);
    }

  private:
    PluginInfo info_;
    std::string paramsPath_;
    std::unique_ptr<PluginModule> module_;
    std::unique_ptr<FilterHost> host_;
    ProgressDisplay progress_;
};

}  // namespace

std::string DefaultPluginDir() {
    const char* env = std::getenv("FILTERHOST_PLUGIN_DIR");
    if (env && *env) return env;
    return ExecutableDir() + "/../plugins";
}

// Runs a command's body and turns what it throws into the exit status, each
// failure printed as one line.
template <class Body>
int RunCommand(Body body) {
    try {
        return body();
    } catch (const Cancellation&) {
        // The user closed the dialog without confirming: not a failure.
        PrintLine("cancelled");
        return kExitCancelled;
    } catch (const Interruption& e) {
        PrintLine(e.what());
        return kExitInterrupted;
    } catch (const HostError& e) {
        PrintLine(e.what());
        return kExitFailure;
    } catch (const std::exception& e) {
        PrintLine(std::string("unexpected failure: ") + e.what());
        return kExitFailure;
    }
}

int ListPlugins(const std::string& dir) {
    try {
        const auto files = FindPluginFiles(dir);
        int shown = 0;
        for (const auto& file : files) {
            try {
                const PluginInfo info = ReadPluginInfo(file);
                std::printf("%s\n", info.ListingLine().c_str());
                ++shown;
            } catch (const HostError& e) {
                Warn(std::string("skipped ") + e.what());
            }
        }
        if (shown == 0) Warn("no filter plug-ins in " + dir);
        std::fflush(stdout);
        return 0;
    } catch (const HostError& e) {
        PrintLine(e.what());
        return kExitFailure;
    }
}

int Apply(const CommonOptions& options, const std::vector<std::string>& inputs,
          const std::string& output, const std::string& outDir) {
    if (inputs.empty()) {
        PrintLine("apply: no input files");
        return kExitFailure;
    }
    if (output.empty() == outDir.empty()) {
        PrintLine("apply: give either -o OUT (one input) or --out-dir DIR");
        return kExitFailure;
    }
    if (!output.empty() && inputs.size() > 1) {
        PrintLine("apply: -o takes one input; use --out-dir DIR for several");
        return kExitFailure;
    }
    InstallInterruptHandler();
    return RunCommand([&] {
        int status = 0;
        if (!outDir.empty()) MakeDirectories(outDir);
        Session session(options, int(inputs.size()));
        std::set<std::string> written;
        for (size_t i = 0; i < inputs.size(); ++i) {
            if (Interrupted()) {
                PrintLine("cancelled (Ctrl-C)");
                return kExitInterrupted;
            }
            const std::string out = output.empty() ? outDir + "/" + BaseName(inputs[i]) : output;
            try {
                std::error_code ec;
                const auto canonical = std::filesystem::weakly_canonical(out, ec);
                if (!written.insert(ec ? out : canonical.string()).second)
                    throw HostError(inputs[i] + ": its output " + out +
                                    " is the output of an earlier input");
                session.Run(int(i), inputs[i], out, false);
            } catch (const Interruption& e) {
                PrintLine(e.what());
                return kExitInterrupted;
            } catch (const HostError& e) {
                PrintLine(e.what());
                status = kExitFailure;
            }
        }
        return status;
    });
}

int Edit(const CommonOptions& options, const std::string& input, const std::string& output) {
    // Checked before Qt starts: Qt aborts the process when it finds no display.
    if (const std::string problem = DisplayProblem(); !problem.empty()) {
        PrintLine("edit: " + problem);
        return kExitFailure;
    }
    InstallInterruptHandler();
    return RunCommand([&] {
        Session session(options, 1);
        EditApplication application;
        std::unique_ptr<EditWindow> window;
        RunHooks hooks;
        hooks.beforeFilter = [&](const Document& doc) {
            window = std::make_unique<EditWindow>(BaseName(input));
            window->Show(doc, session.Info().name + ": running");
            session.Host().SetHostWindow(window->NativeId());
        };
        hooks.afterFilter = [&](const Document& doc) {
            window->Show(doc, session.Info().name + ": corrected; saving " + BaseName(output));
        };
        session.Run(0, input, output, true, hooks);
        return 0;
    });
}

int About(const CommonOptions& options) {
    InstallInterruptHandler();
    return RunCommand([&] {
        Session session(options, 0);
        session.Host().About();
        return 0;
    });
}

}  // namespace filterhost
