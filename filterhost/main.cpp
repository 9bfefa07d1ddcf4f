// filterhost: runs filter plug-in modules on image files.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "filterhost/Commands.h"
#include "filterhost/Presets.h"
#include "hostlib/FilterHost.h"

#ifndef FILTERHOST_VERSION
#define FILTERHOST_VERSION "unknown"
#endif

namespace {

// The options every command that runs the module takes; each subcommand
// lists them in its own --help. They may also come before the subcommand.
void AddModuleOptions(CLI::App* app, filterhost::CommonOptions& common) {
    app->add_option("--plugin", common.plugin,
                    "plug-in module file, or a folder of modules (default: " +
                        filterhost::DefaultPluginDir() + ")");
    app->add_option("--params", common.params,
                    "parameter block file (default: one per plug-in under $XDG_STATE_HOME)");
}

void AddRunOptions(CLI::App* app, filterhost::CommonOptions& common) {
    AddModuleOptions(app, common);
    app->add_option("--preset", common.preset,
                    "settings preset laid over the stored settings: a NAME of "
                    "`filterhost presets` or a .preset file");
    app->add_option("--set", common.sets,
                    "Field=value laid over the stored settings and the preset (repeatable; "
                    "fields as velmora-params names them)")
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app->add_flag("-n,--no-clobber", common.noClobber,
                  "do not replace an existing output (that input is skipped)");
    app->add_option_function<std::string>(
           "--compression",
           [&common](const std::string& name) {
               common.write.compression = *filterhost::TiffCompressionFromName(name);
           },
           "TIFF output compression: none, lzw, deflate, zstd or packbits "
           "(default: the input TIFF's, else deflate)")
        ->check(CLI::IsMember({"none", "lzw", "deflate", "zstd", "packbits"}));
    app->add_option("--png-level", common.write.pngLevel,
                    "PNG output zlib level, 0 (none, fastest) to 9 (smallest); default " +
                        std::to_string(filterhost::WriteOptions::kDefaultPngLevel))
        ->check(CLI::Range(0, 9));
    app->add_option("--quality", common.write.jpegQuality,
                    "JPEG output quality, 1 to 100 (default 95)")
        ->check(CLI::Range(1, 100));
    app->add_flag("--timing", hostlib::FilterHost::reportModuleTime,
                  "print the module's time from continue to the end of finish");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"filterhost: runs filter plug-in modules on TIFF, PNG and JPEG files"};
    app.require_subcommand(0, 1);
    filterhost::CommonOptions common;
    AddRunOptions(&app, common);
    bool version = false;
    app.add_flag("--version", version, "print filterhost's version and the plug-in's");

    std::string pluginDir;
    CLI::App* plugins = app.add_subcommand("plugins", "list the plug-in modules of a folder");
    plugins->add_option(
        "DIR", pluginDir,
        "folder of *.8bf modules (default: " + filterhost::DefaultPluginDir() + ")");

    std::vector<std::string> inputs;
    std::string output, outDir;
    CLI::App* apply = app.add_subcommand(
        "apply",
        "repeat the filter without its dialog on each input (the stored settings; "
        "a --params file is read, never changed)");
    apply->add_option("IN", inputs, "input images, or folders of them (not recursive)")->required();
    auto* out = apply->add_option("-o,--output", output, "output image (one input file)");
    apply->add_option("--out-dir", outDir, "folder for the outputs (same file names)")
        ->excludes(out);
    AddRunOptions(apply, common);
    apply
        ->add_option("-j,--jobs", common.jobs,
                     "inputs run at once, each in its own process (default: the number of "
                     "cores; 1: one after another in this process)")
        ->check(CLI::Range(1, 256));

    std::string editIn, editOut;
    CLI::App* edit =
        app.add_subcommand("edit",
                           "run the filter with its dialog; the confirmed settings are stored "
                           "(in the --params file when one is given)");
    edit->add_option("IN", editIn, "input image")->required();
    edit->add_option("OUT", editOut, "output image")->required();
    AddRunOptions(edit, common);

    CLI::App* about = app.add_subcommand("about", "show the plug-in's about box");
    AddModuleOptions(about, common);

    CLI::App* presets = app.add_subcommand(
        "presets", "list the settings presets (in " + filterhost::DefaultPresetDir() + ")");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    if (version) return filterhost::Version(common, FILTERHOST_VERSION);
    if (plugins->parsed())
        return filterhost::ListPlugins(pluginDir.empty() ? filterhost::DefaultPluginDir()
                                                         : pluginDir);
    if (apply->parsed()) return filterhost::Apply(common, inputs, output, outDir);
    if (edit->parsed()) return filterhost::Edit(common, editIn, editOut);
    if (about->parsed()) return filterhost::About(common);
    if (presets->parsed()) return filterhost::ListPresets(filterhost::DefaultPresetDir());
    std::fprintf(stderr,
                 "filterhost: a command is needed: plugins, apply, edit, about or presets "
                 "(filterhost --help)\n");
    return 2;
}
