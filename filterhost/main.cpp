// filterhost: runs filter plug-in modules on image files.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "filterhost/Commands.h"
#include "hostlib/FilterHost.h"

int main(int argc, char** argv) {
    CLI::App app{"filterhost: runs filter plug-in modules on TIFF, PNG and JPEG files"};
    app.require_subcommand(1);
    app.fallthrough();
    filterhost::CommonOptions common;
    app.add_option("--plugin", common.plugin, "plug-in module file (or a folder of modules)");
    app.add_option("--params", common.params, "parameter block file to use and update");
    app.add_flag("--timing", hostlib::FilterHost::reportModuleTime,
                 "print the module's time from continue to the end of finish");

    std::string pluginDir;
    CLI::App* plugins = app.add_subcommand("plugins", "list the plug-in modules of a folder");
    plugins->add_option("DIR", pluginDir, "folder of *.8bf modules (default: the built plug-ins)");

    std::vector<std::string> inputs;
    std::string output, outDir;
    CLI::App* apply =
        app.add_subcommand("apply", "repeat the filter without its dialog on each input");
    apply->add_option("IN", inputs, "input images")->required();
    auto* out = apply->add_option("-o,--output", output, "output image (one input)");
    apply->add_option("--out-dir", outDir, "folder for the outputs (same file names)")
        ->excludes(out);

    std::string editIn, editOut;
    CLI::App* edit = app.add_subcommand("edit", "run the filter with its dialog");
    edit->add_option("IN", editIn, "input image")->required();
    edit->add_option("OUT", editOut, "output image")->required();

    CLI::App* about = app.add_subcommand("about", "show the plug-in's about box");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    if (plugins->parsed())
        return filterhost::ListPlugins(pluginDir.empty() ? filterhost::DefaultPluginDir()
                                                         : pluginDir);
    if (apply->parsed()) return filterhost::Apply(common, inputs, output, outDir);
    if (edit->parsed()) return filterhost::Edit(common, editIn, editOut);
    if (about->parsed()) return filterhost::About(common);
    return 2;
}
