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
#include "filterhost/Inputs.h"
#include "filterhost/Interrupt.h"
#include "filterhost/Locations.h"
#include "filterhost/Metadata.h"
#include "filterhost/ModuleVersion.h"
#include "filterhost/OutputCheck.h"
#include "filterhost/Presets.h"
#include "filterhost/ProgressDisplay.h"
#include "filterhost/UsageError.h"
#include "hostlib/FileOps.h"
#include "hostlib/FilterHost.h"
#include "hostlib/HostError.h"
#include "hostlib/PluginModule.h"
#include "tools/ParamFields.h"

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

void Note(const std::string& text) {
    PrintLine("note: " + text);
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
    std::error_code ec;
    if (!std::filesystem::exists(options.plugin, ec))
        throw HostError(options.plugin + ": no such file (--plugin)");
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

// An input skipped because its output exists (--no-clobber).
class Skipped : public HostError {
  public:
    using HostError::HostError;
};

// How a command uses the params file.
enum class ParamsUse {
    // apply: read the --params file and leave it as it is; without --params,
    // keep the default file up to date with what the filter leaves.
    Repeat,
    // edit: store the confirmed settings (into the --params file if given).
    Dialog,
    // about: read only.
    ReadOnly,
};

// The settings handed to the module: the stored block (or the first-use
// one), then the preset, then the --set pairs.
std::vector<uint8_t> InlineSettings(const CommonOptions& options, const PluginInfo& info,
                                    std::optional<std::vector<uint8_t>> stored) {
    if (info.name != kVelmoraPluginName)
        throw UsageError("--preset and --set name " + std::string(kVelmoraPluginName) +
                         " settings; " + info.name + " is another filter");
    std::vector<uint8_t> block = stored ? *stored : velmora::tools::FirstUseBlock();
    std::string error;
    if (!options.preset.empty()) {
        const std::string file = ResolvePreset(options.preset);
        if (!ApplySettingArgs(block, ReadPreset(file), error)) throw HostError(file + ": " + error);
    }
    for (const std::string& pair : options.sets)
        if (!ApplySettingArgs(block, {pair}, error)) throw UsageError("--set " + error);
    return block;
}

// One command's filter runs: the module, its host and the params file.
class Session {
  public:
    Session(const CommonOptions& options, int files, ParamsUse use = ParamsUse::ReadOnly)
        : info_(ResolvePlugin(options)),
          paramsPath_(ParamsPathFor(options, info_)),
          progress_(files, ProgressDisplay::StderrIsTerminal()),
          noClobber_(options.noClobber) {
        const bool inlineSettings = !options.preset.empty() || !options.sets.empty();
        // A stored block of the wrong size is refused before anything runs.
        auto block = LoadParams(paramsPath_, size_t(kParameterBlockSize));
        if (!block && use == ParamsUse::Repeat && !options.params.empty())
            throw HostError(options.params +
                            ": no such params file; make one with `velmora-params write " +
                            options.params + " Field=value ...` or `filterhost edit --params " +
                            options.params + " IN OUT`, or give the settings with --preset NAME");
        if (inlineSettings) block = InlineSettings(options, info_, std::move(block));
        if (!block && use == ParamsUse::Repeat && info_.name == kVelmoraPluginName)
            Note(
                "no stored settings yet: the first-use settings change the picture very little; "
                "try --preset NAME (`filterhost presets` lists those in " +
                DefaultPresetDir() + ") or choose settings with `filterhost edit`");
        // A repeat stores what the filter leaves only in the default file and
        // only when it ran with the stored settings.
        storeParams_ = use == ParamsUse::Dialog ||
                       (use == ParamsUse::Repeat && options.params.empty() && !inlineSettings);
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
        // Everything about the output that can be known now, before the
        // filter (and its dialog) runs.
        const OutputTarget target = CheckOutput(output);
        if (target.exists && noClobber_)
            throw Skipped(input + ": skipped, its output " + output + " exists (--no-clobber)");
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

        try {
            Write(doc, input, output, format, metadata);
        } catch (const Interruption&) {
            throw;
        } catch (const HostError& e) {
            // The dialog's work is not lost with the file: its settings are kept.
            if (!withDialog || !storeParams_) throw;
            auto block = host_->ParameterBlock();
            if (!block) throw;
            try {
                SaveParams(paramsPath_, *block);
            } catch (const HostError& s) {
                throw HostError(std::string(e.what()) + "; the settings were not stored either (" +
                                s.what() + ")");
            }
            throw HostError(std::string(e.what()) + "; the settings you confirmed were stored in " +
                            paramsPath_);
        }
        if (!storeParams_) return;
        if (auto block = host_->ParameterBlock()) SaveParams(paramsPath_, *block);
    }

    const std::string& ParamsPath() const { return paramsPath_; }

  private:
    void Write(const Document& doc, const std::string& input, const std::string& output,
               FileFormat format, const Metadata& metadata) {
        // Written beside the file a symbolic link names, so that the link stays.
        TempFile temp(CheckOutput(output).path);
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
        // Whatever took the output's place meanwhile is checked again: only
        // a regular file is ever replaced.
        CheckOutput(output);
        temp.Commit();
    }

    PluginInfo info_;
    std::string paramsPath_;
    std::unique_ptr<PluginModule> module_;
    std::unique_ptr<FilterHost> host_;
    ProgressDisplay progress_;
    bool noClobber_ = false;
    bool storeParams_ = false;
};

}  // namespace

std::string DefaultPluginDir() {
    const char* env = std::getenv("FILTERHOST_PLUGIN_DIR");
    if (env && *env) return env;
    const std::string exe = ExecutableDir();
    return FirstExistingDir({exe + "/../plugins", exe + "/../lib/velmora/plugins"});
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
    } catch (const UsageError& e) {
        PrintLine(e.what());
        return kExitUsage;
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
    InstallInterruptHandler();
    return RunCommand([&]() -> int {
        if (inputs.empty()) throw UsageError("apply: no input files");
        if (output.empty() == outDir.empty())
            throw UsageError("apply: give either -o OUT (one input) or --out-dir DIR");
        if (output == "-")
            throw UsageError("apply: -o - (standard output) is not supported; name an output file");
        const InputList list = ExpandInputs(inputs);
        if (!output.empty() && list.hadFolder)
            throw UsageError("apply: a folder as input needs --out-dir DIR");
        if (!output.empty() && inputs.size() > 1)
            throw UsageError("apply: -o takes one input; use --out-dir DIR for several");
        for (const auto& folder : list.emptyFolders)
            Warn(folder + ": no TIFF, PNG or JPEG file in the folder");
        if (list.files.empty()) throw HostError("apply: no input images");
        const auto& files = list.files;

        int failed = 0, skipped = 0, written = 0;
        auto summary = [&] {
            if (files.size() < 2) return;
            std::string line =
                std::to_string(written) + " of " + std::to_string(files.size()) + " written";
            if (failed) line += ", " + std::to_string(failed) + " failed";
            if (skipped) line += ", " + std::to_string(skipped) + " skipped";
            const size_t notRun = files.size() - size_t(written + failed + skipped);
            if (notRun) line += ", " + std::to_string(notRun) + " not run";
            PrintLine(line);
        };
        if (!outDir.empty()) MakeDirectories(outDir);
        Session session(options, int(files.size()), ParamsUse::Repeat);
        std::set<std::string> taken;
        for (size_t i = 0; i < files.size(); ++i) {
            if (Interrupted()) {
                PrintLine("cancelled (Ctrl-C)");
                summary();
                return kExitInterrupted;
            }
            const std::string out = output.empty() ? outDir + "/" + BaseName(files[i]) : output;
            try {
                std::error_code ec;
                const auto canonical = std::filesystem::weakly_canonical(out, ec);
                if (!taken.insert(ec ? out : canonical.string()).second)
                    throw HostError(files[i] + ": its output " + out +
                                    " is the output of an earlier input");
                session.Run(int(i), files[i], out, false);
                ++written;
            } catch (const Interruption& e) {
                PrintLine(e.what());
                summary();
                return kExitInterrupted;
            } catch (const Skipped& e) {
                PrintLine(e.what());
                ++skipped;
            } catch (const HostError& e) {
                PrintLine(e.what());
                ++failed;
            }
        }
        summary();
        return failed || !list.emptyFolders.empty() ? kExitFailure : 0;
    });
}

int Edit(const CommonOptions& options, const std::string& input, const std::string& output) {
    if (output == "-") {
        PrintLine("edit: OUT - (standard output) is not supported; name an output file");
        return kExitUsage;
    }
    // Checked before Qt starts: Qt aborts the process when it finds no display.
    if (const std::string problem = DisplayProblem(); !problem.empty()) {
        PrintLine("edit: " + problem);
        return kExitFailure;
    }
    InstallInterruptHandler();
    return RunCommand([&] {
        Session session(options, 1, ParamsUse::Dialog);
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

int Version(const CommonOptions& options, const std::string& hostVersion) {
    std::printf("filterhost %s\n", hostVersion.c_str());
    std::fflush(stdout);
    try {
        const PluginInfo info = ResolvePlugin(options);
        const std::string about = AboutVersion(info.path, info.name);
        std::printf("%s %s(interface %s): %s\n", info.name.c_str(),
                    about.empty() ? "" : (about + " ").c_str(), info.VersionText().c_str(),
                    info.path.c_str());
        std::fflush(stdout);
        return 0;
    } catch (const HostError& e) {
        PrintLine(e.what());
        return kExitFailure;
    }
}

}  // namespace filterhost
