#include "filterhost/Commands.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
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
// In a worker process every line goes to the parent, which prints it.
std::function<void(const std::string&)> lineSink;

void PrintLine(const std::string& text) {
    if (lineSink) return lineSink(text);
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

// With --timing: the wall and CPU time of a phase of a run besides the
// module's (reading with metadata, writing), printed like the module's time.
class PhaseTimer {
  public:
    explicit PhaseTimer(const char* name)
        : name_(name), wall_(std::chrono::steady_clock::now()), cpu_(std::clock()) {}
    void Report() const {
        if (!FilterHost::reportModuleTime) return;
        std::fprintf(
            stderr, "%s time: %.3f s (cpu %.3f s)\n", name_,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count(),
            double(std::clock() - cpu_) / CLOCKS_PER_SEC);
    }

  private:
    const char* name_;
    std::chrono::steady_clock::time_point wall_;
    std::clock_t cpu_;
};

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
    // Levels are checked once everything is in, and only in the records
    // whose levels were named: a stored block is taken as it is.
    bool levelsNamed[velmora::kSlotCount + 1] = {};
    if (!options.preset.empty()) {
        const std::string file = ResolvePreset(options.preset);
        if (!ApplySettingArgs(block, ReadPreset(file), error, levelsNamed))
            throw HostError(file + ": " + error);
    }
    for (const std::string& pair : options.sets)
        if (!ApplySettingArgs(block, {pair}, error, levelsNamed))
            throw UsageError("--set " + error);
    for (int n = 0; n <= velmora::kSlotCount; ++n)
        if (levelsNamed[n])
            if (const std::string problem = velmora::tools::LevelsProblem(block, n);
                !problem.empty())
                throw UsageError(problem);
    return block;
}

// The module and the settings a command runs it with, resolved and checked
// before anything runs (and before a batch forks its workers).
struct SessionSettings {
    PluginInfo info;
    std::string paramsPath;
    std::optional<std::vector<uint8_t>> block;
    // A repeat stores what the filter leaves only in the default file and
    // only when it ran with the stored settings.
    bool storeParams = false;
};

SessionSettings ResolveSettings(const CommonOptions& options, ParamsUse use) {
    SessionSettings s;
    s.info = ResolvePlugin(options);
    s.paramsPath = ParamsPathFor(options, s.info);
    const bool inlineSettings = !options.preset.empty() || !options.sets.empty();
    // A stored block of the wrong size is refused before anything runs.
    s.block = LoadParams(s.paramsPath, size_t(kParameterBlockSize));
    if (!s.block && use == ParamsUse::Repeat && !options.params.empty())
        throw HostError(options.params +
                        ": no such params file; make one with `velmora-params write " +
                        options.params + " Field=value ...` or `filterhost edit --params " +
                        options.params + " IN OUT`, or give the settings with --preset NAME");
    if (inlineSettings) s.block = InlineSettings(options, s.info, std::move(s.block));
    if (!s.block && use == ParamsUse::Repeat && s.info.name == kVelmoraPluginName)
        Note(
            "no stored settings yet: the first-use settings change the picture very little; "
            "try --preset NAME (`filterhost presets` lists those in " +
            DefaultPresetDir() + ") or choose settings with `filterhost edit`");
    s.storeParams = use == ParamsUse::Dialog ||
                    (use == ParamsUse::Repeat && options.params.empty() && !inlineSettings);
    return s;
}

// How a worker process reports a file's progress to the batch's parent.
struct ProgressReport {
    std::function<void(int index, const std::string& name, uint64_t pixels)> begin;
    std::function<void(double fraction)> update;
};

// One command's filter runs: the module, its host and the params file.
class Session {
  public:
    Session(const CommonOptions& options, int files, ParamsUse use = ParamsUse::ReadOnly)
        : Session(ResolveSettings(options, use), options, files) {}

    // report set: a batch worker, silent itself; it neither shows progress
    // nor stores the block (its parent does both).
    Session(SessionSettings settings, const CommonOptions& options, int files,
            ProgressReport report = {})
        : info_(std::move(settings.info)),
          paramsPath_(std::move(settings.paramsPath)),
          progress_(files, !report.begin && ProgressDisplay::StderrIsTerminal()),
          report_(std::move(report)),
          noClobber_(options.noClobber),
          storeParams_(settings.storeParams && !report_.begin),
          writeOptions_(options.write),
          startBlock_(std::move(settings.block)) {
        module_ = std::make_unique<PluginModule>(info_);
        host_ = std::make_unique<FilterHost>(*module_);
        if (startBlock_) host_->SetParameterBlock(*startBlock_);
        if (!report_.begin) shownProgress = &progress_;
    }
    ~Session() {
        if (shownProgress == &progress_) shownProgress = nullptr;
    }

    // Hands the module the block the session started with again, so that a
    // worker's run does not depend on the inputs it happened to run before.
    void ResetBlock() {
        if (startBlock_)
            host_->SetParameterBlock(*startBlock_);
        else
            host_->ClearParameterBlock();
    }

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
        PhaseTimer reading("read");
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
        reading.Report();
        if (!metadata.Note().empty())
            Warn(input + ": " + metadata.Note() + "; it is not carried over");

        if (hooks.beforeFilter) hooks.beforeFilter(doc);
        const uint64_t pixels = uint64_t(doc.width) * uint64_t(doc.height);
        if (report_.begin)
            report_.begin(index, BaseName(input), pixels);
        else
            progress_.BeginFile(index, BaseName(input), pixels);
        try {
            host_->Filter(doc, {withDialog,
                                [this](double f) {
                                    if (report_.update)
                                        report_.update(f);
                                    else
                                        progress_.Update(f);
                                },
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
            PhaseTimer writing("write");
            Write(doc, input, output, format, metadata);
            writing.Report();
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
    std::optional<std::vector<uint8_t>> LeftBlock() const { return host_->ParameterBlock(); }

  private:
    void Write(const Document& doc, const std::string& input, const std::string& output,
               FileFormat format, const Metadata& metadata) {
        // Written beside the file a symbolic link names, so that the link stays.
        TempFile temp(CheckOutput(output).path);
        try {
            WriteDocument(doc, temp.Path(), format, writeOptions_);
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
        // With --no-clobber an output that appeared meanwhile is kept as well.
        if (!temp.Commit(!noClobber_))
            throw Skipped(input + ": skipped, its output " + output +
                          " appeared while it was filtered (--no-clobber)");
    }

    PluginInfo info_;
    std::string paramsPath_;
    std::unique_ptr<PluginModule> module_;
    std::unique_ptr<FilterHost> host_;
    ProgressDisplay progress_;
    ProgressReport report_;
    bool noClobber_ = false;
    bool storeParams_ = false;
    WriteOptions writeOptions_;
    std::optional<std::vector<uint8_t>> startBlock_;
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

namespace {

// What became of one input of a batch.
enum class Outcome : uint8_t { Written, Failed, Skipped, Interrupted, NotRun };

// The counts behind a batch's closing line.
struct BatchTally {
    size_t files = 0;
    int written = 0, failed = 0, skipped = 0;

    void Count(Outcome o) {
        if (o == Outcome::Written) ++written;
        if (o == Outcome::Failed) ++failed;
        if (o == Outcome::Skipped) ++skipped;
    }
    void PrintSummary() const {
        if (files < 2) return;
        std::string line = std::to_string(written) + " of " + std::to_string(files) + " written";
        if (failed) line += ", " + std::to_string(failed) + " failed";
        if (skipped) line += ", " + std::to_string(skipped) + " skipped";
        const size_t notRun = files - size_t(written + failed + skipped);
        if (notRun) line += ", " + std::to_string(notRun) + " not run";
        PrintLine(line);
    }
};

// Runs one input in a session: prints what went wrong and says what became of it.
Outcome RunOne(Session& session, int index, const std::string& input, const std::string& output,
               std::string* interruption) {
    try {
        session.Run(index, input, output, false);
        return Outcome::Written;
    } catch (const Interruption& e) {
        *interruption = e.what();
        return Outcome::Interrupted;
    } catch (const Skipped& e) {
        PrintLine(e.what());
        return Outcome::Skipped;
    } catch (const HostError& e) {
        PrintLine(e.what());
        return Outcome::Failed;
    } catch (const std::bad_alloc&) {
        PrintLine(input + ": not enough memory");
        return Outcome::Failed;
    }
}

// The messages between a batch's parent and its workers. The parent sends a
// worker the index of its next input (uint32); closing the pipe ends the
// worker. A worker answers with framed messages: kind, index, payload size,
// payload.
enum class Message : uint8_t { Begin, Progress, Line, Done, Block, Fatal };

struct MessageHeader {
    Message kind;
    uint32_t index;
    uint32_t size;
};

void SendMessage(int fd, Message kind, uint32_t index, const void* data = nullptr,
                 size_t size = 0) {
    const MessageHeader header{kind, index, uint32_t(size)};
    const auto* h = reinterpret_cast<const uint8_t*>(&header);
    std::vector<uint8_t> frame(h, h + sizeof header);
    if (size)
        frame.insert(frame.end(), static_cast<const uint8_t*>(data),
                     static_cast<const uint8_t*>(data) + size);
    // A parent that is gone is not an error of the worker's: it just stops.
    WriteAll(fd, frame.data(), frame.size());
}

// A worker process: its own module instance (the module keeps process-wide
// state), the inputs its parent hands it one at a time.
[[noreturn]] void WorkerMain(int commands, int results, SessionSettings settings,
                             const CommonOptions& options, const std::vector<std::string>& files,
                             const std::vector<std::string>& outputs) {
    // Repeated Ctrl-C only repeats the request here; the parent decides
    // when the batch ends, and the worker removes its temporary file.
    InstallInterruptHandler(/*once=*/false);
    std::signal(SIGPIPE, SIG_IGN);
    uint32_t current = 0;
    lineSink = [&](const std::string& text) {
        SendMessage(results, Message::Line, current, text.data(), text.size());
    };
    try {
        double lastSent = -1;
        ProgressReport report;
        report.begin = [&](int index, const std::string&, uint64_t pixels) {
            lastSent = 0;
            SendMessage(results, Message::Begin, uint32_t(index), &pixels, sizeof pixels);
        };
        report.update = [&](double f) {
            if (f - lastSent < 0.01 && f < 1.0) return;
            lastSent = f;
            SendMessage(results, Message::Progress, current, &f, sizeof f);
        };
        Session session(std::move(settings), options, int(files.size()), std::move(report));
        uint32_t index = 0;
        while (ReadAll(commands, &index, sizeof index)) {
            if (index >= files.size()) break;
            current = index;
            Outcome outcome = Outcome::NotRun;
            std::string interruption;
            if (!Interrupted()) {
                session.ResetBlock();
                outcome = RunOne(session, int(index), files[index], outputs[index], &interruption);
            }
            if (outcome == Outcome::Interrupted) PrintLine(interruption);
            if (outcome == Outcome::Written) {
                if (auto block = session.LeftBlock())
                    SendMessage(results, Message::Block, index, block->data(), block->size());
            }
            SendMessage(results, Message::Done, index, &outcome, sizeof outcome);
        }
    } catch (const std::exception& e) {
        // The module could not be loaded: the parent says so once.
        const std::string text = e.what();
        SendMessage(results, Message::Fatal, current, text.data(), text.size());
    }
    lineSink = nullptr;
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(0);
}

// The parent's side of one worker.
struct Worker {
    pid_t pid = -1;
    int commands = -1;  // write end
    int results = -1;   // read end
    std::vector<uint8_t> pending;
    std::optional<uint32_t> running;
    double fraction = 0;
    uint64_t pixels = 0;
};

int RunBatch(const CommonOptions& options, SessionSettings settings,
             const std::vector<std::string>& files, const std::vector<std::string>& outputs,
             bool emptyFolders) {
    const int jobs = int(std::min<size_t>(size_t(options.jobs), files.size()));
    BatchTally tally;
    tally.files = files.size();
    ProgressDisplay progress(int(files.size()), ProgressDisplay::StderrIsTerminal());
    shownProgress = &progress;
    std::fflush(stdout);
    std::fflush(stderr);

    std::vector<Worker> workers(static_cast<size_t>(jobs));
    for (auto& w : workers) {
        int toWorker[2], fromWorker[2];
        if (::pipe2(toWorker, O_CLOEXEC) != 0 || ::pipe2(fromWorker, O_CLOEXEC) != 0)
            throw HostError(std::string("cannot start the workers: ") + std::strerror(errno));
        const pid_t pid = ::fork();
        if (pid < 0)
            throw HostError(std::string("cannot start the workers: ") + std::strerror(errno));
        if (pid == 0) {
            shownProgress = nullptr;
            ::close(toWorker[1]);
            ::close(fromWorker[0]);
            for (auto& other : workers) {
                if (other.pid <= 0) continue;
                ::close(other.commands);
                ::close(other.results);
            }
            WorkerMain(toWorker[0], fromWorker[1], settings, options, files, outputs);
        }
        ::close(toWorker[0]);
        ::close(fromWorker[1]);
        w.pid = pid;
        w.commands = toWorker[1];
        w.results = fromWorker[0];
    }
    // A worker that ends early must not take the parent with it.
    std::signal(SIGPIPE, SIG_IGN);

    size_t next = 0, begun = 0;
    bool interrupted = false, forwarded = false;
    std::optional<std::string> fatal;
    std::map<uint32_t, std::vector<uint8_t>> blocks;
    std::string shownName;
    uint64_t donePixels = 0;
    int doneFiles = 0;

    auto dispatch = [&](Worker& w) {
        if (interrupted || fatal || next >= files.size() || w.commands < 0) {
            if (w.commands >= 0) ::close(w.commands);
            w.commands = -1;
            return;
        }
        const uint32_t index = uint32_t(next++);
        if (!WriteAll(w.commands, &index, sizeof index)) {
            --next;
            ::close(w.commands);
            w.commands = -1;
            return;
        }
        w.running = index;
        w.fraction = 0;
        w.pixels = 0;
    };
    auto redraw = [&] {
        double sum = doneFiles, pixels = double(donePixels);
        for (const auto& w : workers) {
            if (!w.running) continue;
            sum += w.fraction;
            pixels += w.fraction * double(w.pixels);
        }
        progress.ShowBatch(sum / double(files.size()), pixels, int(begun) - 1, shownName);
    };
    auto handle = [&](Worker& w, const MessageHeader& h, const uint8_t* payload) {
        switch (h.kind) {
            case Message::Begin:
                ++begun;
                shownName = BaseName(files[h.index]);
                if (h.size == sizeof(uint64_t)) std::memcpy(&w.pixels, payload, sizeof w.pixels);
                redraw();
                break;
            case Message::Progress:
                if (h.size == sizeof(double)) std::memcpy(&w.fraction, payload, sizeof(double));
                redraw();
                break;
            case Message::Line:
                PrintLine(std::string(reinterpret_cast<const char*>(payload), h.size));
                break;
            case Message::Block:
                blocks[h.index].assign(payload, payload + h.size);
                break;
            case Message::Fatal:
                if (!fatal) fatal = std::string(reinterpret_cast<const char*>(payload), h.size);
                break;
            case Message::Done: {
                Outcome o = Outcome::Failed;
                if (h.size == sizeof o) std::memcpy(&o, payload, sizeof o);
                tally.Count(o);
                if (o == Outcome::Interrupted) interrupted = true;
                ++doneFiles;
                donePixels += w.pixels;
                w.running.reset();
                w.fraction = 0;
                dispatch(w);
                break;
            }
        }
    };

    for (auto& w : workers) dispatch(w);
    for (;;) {
        if (Interrupted()) interrupted = true;
        if (interrupted && !forwarded) {
            // Ctrl-C reaches the workers by themselves when it comes from the
            // terminal; a SIGINT sent to this process alone is passed on.
            forwarded = true;
            for (auto& w : workers) {
                if (w.pid > 0) ::kill(w.pid, SIGINT);
                if (!w.running) dispatch(w);
            }
        }
        std::vector<pollfd> fds;
        std::vector<Worker*> owners;
        for (auto& w : workers) {
            if (w.results < 0) continue;
            fds.push_back({w.results, POLLIN, 0});
            owners.push_back(&w);
        }
        if (fds.empty()) break;
        const int ready = ::poll(fds.data(), fds.size(), 200);
        if (ready < 0 && errno != EINTR) break;
        for (size_t k = 0; ready > 0 && k < fds.size(); ++k) {
            if (!fds[k].revents) continue;
            Worker& w = *owners[k];
            uint8_t buffer[1 << 16];
            const ssize_t n = ::read(w.results, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                // The worker is gone: its input in flight failed.
                ::close(w.results);
                w.results = -1;
                if (w.commands >= 0) ::close(w.commands);
                w.commands = -1;
                if (w.running && !fatal) {
                    PrintLine(files[*w.running] + ": the worker process running it ended");
                    tally.Count(Outcome::Failed);
                    ++doneFiles;
                    w.running.reset();
                }
                continue;
            }
            w.pending.insert(w.pending.end(), buffer, buffer + n);
            size_t used = 0;
            while (w.pending.size() - used >= sizeof(MessageHeader)) {
                MessageHeader h;
                std::memcpy(&h, w.pending.data() + used, sizeof h);
                if (w.pending.size() - used - sizeof h < h.size) break;
                handle(w, h, w.pending.data() + used + sizeof h);
                used += sizeof h + h.size;
            }
            w.pending.erase(w.pending.begin(), w.pending.begin() + std::ptrdiff_t(used));
        }
        // Inputs no worker is left to take.
        if (!interrupted && !fatal && next < files.size() &&
            std::none_of(workers.begin(), workers.end(),
                         [](const Worker& w) { return w.commands >= 0; }))
            break;
    }
    for (auto& w : workers) {
        if (w.commands >= 0) ::close(w.commands);
        if (w.results >= 0) ::close(w.results);
        int status = 0;
        while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    progress.Clear();
    shownProgress = nullptr;

    // The state file is written once, with the block the last written input
    // (in input order) left. Every input started from the stored block, so
    // for a filter whose repeat leaves the block as it found it this is
    // what -j 1 leaves; for one that counts its runs it is one run's worth.
    if (settings.storeParams && !blocks.empty()) {
        try {
            SaveParams(settings.paramsPath, blocks.rbegin()->second);
        } catch (const HostError& e) {
            if (!fatal) fatal = std::string(e.what()) + " (the settings were not stored)";
        }
    }
    if (fatal && tally.written + tally.failed + tally.skipped == 0) {
        PrintLine(*fatal);
        return kExitFailure;
    }
    if (fatal) PrintLine(*fatal);
    if (interrupted) PrintLine("cancelled (Ctrl-C)");
    tally.PrintSummary();
    if (interrupted) return kExitInterrupted;
    return tally.failed || fatal || emptyFolders ||
                   size_t(tally.written + tally.skipped) < files.size()
               ? kExitFailure
               : 0;
}

}  // namespace

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

        // Every input's output, and no two inputs writing one file: refused
        // before anything runs.
        std::vector<std::string> outputs;
        std::map<std::string, size_t> taken;
        for (size_t i = 0; i < files.size(); ++i) {
            outputs.push_back(output.empty() ? outDir + "/" + BaseName(files[i]) : output);
            std::error_code ec;
            const auto canonical = std::filesystem::weakly_canonical(outputs[i], ec);
            const auto [at, fresh] = taken.emplace(ec ? outputs[i] : canonical.string(), i);
            if (!fresh)
                throw HostError(files[i] + " and " + files[at->second] + " both have the output " +
                                outputs[i] + "; run them in separate calls or folders");
        }
        if (!outDir.empty()) MakeDirectories(outDir);

        if (options.jobs != 1 && files.size() > 1) {
            CommonOptions batch = options;
            if (batch.jobs <= 0) batch.jobs = int(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
            if (batch.jobs > 1)
                return RunBatch(batch, ResolveSettings(options, ParamsUse::Repeat), files, outputs,
                                !list.emptyFolders.empty());
        }

        BatchTally tally;
        tally.files = files.size();
        Session session(options, int(files.size()), ParamsUse::Repeat);
        for (size_t i = 0; i < files.size(); ++i) {
            if (Interrupted()) {
                PrintLine("cancelled (Ctrl-C)");
                tally.PrintSummary();
                return kExitInterrupted;
            }
            std::string interruption;
            const Outcome o = RunOne(session, int(i), files[i], outputs[i], &interruption);
            if (o == Outcome::Interrupted) {
                PrintLine(interruption);
                tally.PrintSummary();
                return kExitInterrupted;
            }
            tally.Count(o);
        }
        tally.PrintSummary();
        return tally.failed || !list.emptyFolders.empty() ? kExitFailure : 0;
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
