// velmora-gimp: runs filter modules on a GIMP layer through the host
// library. At query time it registers one procedure per module found beside
// the executable (and in $FILTERHOST_PLUGIN_DIR), from the modules' property
// lists, without loading them. A run reads the whole layer in its own colour
// space, hands its colour planes to the module and merges the result through
// the shadow buffer, so the selection limits the change and the run is one
// undo step.
//
// Run modes: interactive shows the module's dialog over the image window;
// with-last-values (Filters ▸ Repeat) and non-interactive repeat without it.
// The parameter block is the per-module state file that filterhost uses
// (non-interactive runs may name another block file, which is read only).
//
// Abort: GIMP offers a plug-in no abort test; cancelling a plug-in's progress
// in GIMP ends the plug-in's process. The result is merged only after the
// module finished, so the layer and its undo history are then untouched.
#include <babl/babl.h>
#include <gegl.h>

// libgimpconfig's headers lack the C linkage declarations the other libgimp
// headers have: this one function is declared with it first.
extern "C" {
typedef struct _GimpColorConfig GimpColorConfig;
typedef struct _GimpColorProfile GimpColorProfile;
GimpColorProfile* gimp_color_config_get_display_color_profile(GimpColorConfig*, GError**);
}

#include <libgimp/gimp.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "gimp/Naming.h"
#include "hostlib/Document.h"
#include "hostlib/FileOps.h"
#include "hostlib/FilterHost.h"
#include "hostlib/HostError.h"
#include "hostlib/PluginModule.h"
#include "hostlib/SampleScale.h"
#include "sdk/PIFilter.h"

namespace {

using hostlib::HostError;
using hostlib::PluginInfo;

std::string ExecutableDir() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// The filter modules offered: those beside the executable, then those of
// $FILTERHOST_PLUGIN_DIR, each taking RGB or RGB48 documents; of two with the
// same procedure name the first is kept.
std::vector<PluginInfo> FindModules(bool warn) {
    std::vector<std::string> dirs{ExecutableDir()};
    if (const char* env = std::getenv("FILTERHOST_PLUGIN_DIR"); env && *env) dirs.push_back(env);
    std::vector<PluginInfo> found;
    std::vector<std::string> seen;
    for (const auto& dir : dirs) {
        std::vector<std::string> files;
        try {
            files = hostlib::FindPluginFiles(dir);
        } catch (const HostError& e) {
            if (warn) std::fprintf(stderr, "velmora-gimp: %s\n", e.what());
            continue;
        }
        for (const auto& file : files) {
            try {
                PluginInfo info = hostlib::ReadPluginInfo(file);
                if (!info.SupportsMode(sdk::kModeRGB) && !info.SupportsMode(sdk::kModeRGB48)) {
                    if (warn)
                        std::fprintf(stderr, "velmora-gimp: %s takes no RGB documents; skipped\n",
                                     file.c_str());
                    continue;
                }
                const std::string proc = velmora_gimp::ProcedureName(info.name);
                bool duplicate = false;
                for (const auto& s : seen) duplicate = duplicate || s == proc;
                if (duplicate) {
                    if (warn)
                        std::fprintf(stderr, "velmora-gimp: %s: %s is already offered; skipped\n",
                                     file.c_str(), proc.c_str());
                    continue;
                }
                seen.push_back(proc);
                found.push_back(std::move(info));
            } catch (const HostError& e) {
                if (warn) std::fprintf(stderr, "velmora-gimp: skipped %s\n", e.what());
            }
        }
    }
    return found;
}

gchar* Text(const char* s) {
    return const_cast<gchar*>(s);
}

void Query() {
    static GimpParamDef args[] = {
        {GIMP_PDB_INT32, Text("run-mode"),
         Text("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1), RUN-WITH-LAST-VALS (2) "
              "}")},
        {GIMP_PDB_IMAGE, Text("image"), Text("Input image")},
        {GIMP_PDB_DRAWABLE, Text("drawable"), Text("Input drawable (an RGB layer)")},
        {GIMP_PDB_STRING, Text("params-file"),
         Text("Parameter block file for a non-interactive run (read only); empty: the settings "
              "stored by the last run")},
    };
    for (const PluginInfo& info : FindModules(true)) {
        const std::string proc = velmora_gimp::ProcedureName(info.name);
        const std::string label = velmora_gimp::MenuLabel(info.name);
        const std::string blurb = "Runs the filter module " + info.name + " on the layer";
        const std::string help = "Runs the filter module " + info.path + " (" + info.KindText() +
                                 " " + info.VersionText() +
                                 ") on the whole layer; the selection limits the change.";
        gimp_install_procedure(proc.c_str(), blurb.c_str(), help.c_str(), "Velmora", "Velmora",
                               "2024", label.c_str(), "RGB*", GIMP_PLUGIN, G_N_ELEMENTS(args), 0,
                               args, nullptr);
        gimp_plugin_menu_register(proc.c_str(), velmora_gimp::MenuPath(info.category).c_str());
    }
}

// The ICC bytes of a colour profile (empty for none).
std::vector<uint8_t> IccBytes(GimpColorProfile* profile) {
    std::vector<uint8_t> bytes;
    if (!profile) return bytes;
    gsize length = 0;
    const guint8* data = gimp_color_profile_get_icc_profile(profile, &length);
    if (data && length) bytes.assign(data, data + length);
    g_object_unref(profile);
    return bytes;
}

// The display profile of GIMP's colour configuration, when one is set.
std::vector<uint8_t> DisplayProfile() {
    GimpColorConfig* config = gimp_get_color_configuration();
    if (!config) return {};
    GError* error = nullptr;
    std::vector<uint8_t> bytes =
        IccBytes(gimp_color_config_get_display_color_profile(config, &error));
    if (error) g_error_free(error);
    g_object_unref(config);
    return bytes;
}

const char* BaseTypeName(gint32 image) {
    switch (gimp_image_base_type(image)) {
        case GIMP_GRAY:
            return "grayscale";
        case GIMP_INDEXED:
            return "indexed";
        default:
            return "RGB";
    }
}

// GEGL for the layer's buffers and babl for their pixel formats, without
// what a run does not use and a fresh process pays dearly for: GEGL's
// operation modules (about 500 libraries with their dependencies, 0.3 s) and
// babl's store of conversion paths shared with GIMP, from which babl sets up
// large lookup tables for conversions a run never asks for (300 MB and over
// a second seen). The few conversions a run needs are found without it. The
// environment is as it was afterwards (the dialog may start other programs).
void StartGegl() {
    const std::pair<const char*, const char*> settings[] = {{"GEGL_PATH", "/nonexistent"},
                                                            {"BABL_INHIBIT_CACHE", "1"}};
    std::vector<std::optional<std::string>> saved;
    for (const auto& [name, value] : settings) {
        const char* old = std::getenv(name);
        saved.push_back(old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name, value, 1);
    }
    gegl_init(nullptr, nullptr);
    for (size_t i = 0; i < saved.size(); ++i) {
        if (saved[i])
            setenv(settings[i].first, saved[i]->c_str(), 1);
        else
            unsetenv(settings[i].first);
    }
}

// Thrown when the module's dialog was closed without confirmation.
struct Cancelled {};

// Filters the drawable with the module; throws HostError or Cancelled and
// leaves the drawable untouched then.
void FilterDrawable(const PluginInfo& info, GimpRunMode mode, gint32 image, gint32 drawable,
                    const std::string& paramsFile) {
    if (gimp_image_base_type(image) != GIMP_RGB)
        throw HostError(info.name + " works on RGB images and this one is " + BaseTypeName(image) +
                        "; convert it with Image ▸ Mode ▸ RGB first");
    // An RGB image whose active drawable is a layer mask or a channel.
    if (!gimp_drawable_is_rgb(drawable))
        throw HostError(info.name +
                        " works on a colour layer and the active drawable is a layer mask or a "
                        "channel; select the layer itself in the Layers dialog");
    const int32_t width = gimp_drawable_width(drawable), height = gimp_drawable_height(drawable);
    if (width > hostlib::kMaxDimension || height > hostlib::kMaxDimension)
        throw HostError("the layer is " + std::to_string(width) + " × " + std::to_string(height) +
                        " pixels; " + info.name + " takes at most " +
                        std::to_string(hostlib::kMaxDimension) + " pixels in either direction");
    if (width < 1 || height < 1) throw HostError("the layer is empty");

    // 8-bit perceptual images go to the module as they are (mode RGB); every
    // other precision as 16-bit perceptual samples (RGB48), both in the
    // drawable's own colour space.
    const bool eightBit = gimp_image_get_precision(image) == GIMP_PRECISION_U8_GAMMA;
    hostlib::Document doc;
    doc.model = hostlib::ColorModel::Rgb;
    doc.width = width;
    doc.height = height;
    doc.depth = eightBit ? 8 : 16;
    if (!info.SupportsMode(doc.ImageMode()))
        throw HostError(info.name + " does not take " + doc.ModeName() +
                        " documents (its modes: " + info.ModesText() + ")" +
                        (eightBit ? "; convert the image to 16-bit precision"
                                  : "; convert the image to 8-bit perceptual precision"));
    // The profile the samples are in: the image's own; an image without one
    // is in GIMP's built-in sRGB, read through "R'G'B'" (the sRGB curve) at
    // every precision, which the colour services take as sRGB. (The
    // effective profile of a linear image would name a linear curve.)
    doc.icc = IccBytes(gimp_image_get_color_profile(image));

    const Babl* native = gimp_drawable_get_format(drawable);
    const Babl* space = babl_format_get_space(native);
    const Babl* planes = babl_format_with_space(eightBit ? "R'G'B' u8" : "R'G'B' u16", space);
    const size_t pixels = size_t(width) * size_t(height);
    const size_t nativeBpp = size_t(babl_format_get_bytes_per_pixel(native));
    const GeglRectangle whole{0, 0, width, height};

    // Each read of the layer fetches its tiles from GIMP one at a time: the
    // drawable's own bytes are read only when they hold more than the colour
    // (alpha, kept as it is) and the samples are converted from those bytes.
    const bool onlyColour =
        !babl_format_has_alpha(native) && babl_format_get_n_components(native) == 3;
    const bool asPlanes = native == planes;
    GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
    std::vector<uint8_t> original;
    std::vector<uint8_t> samples(pixels * 3 * (eightBit ? 1 : 2));
    if (onlyColour) {
        gegl_buffer_get(buffer, &whole, 1.0, planes, samples.data(), GEGL_AUTO_ROWSTRIDE,
                        GEGL_ABYSS_NONE);
    } else {
        original.resize(pixels * nativeBpp);
        gegl_buffer_get(buffer, &whole, 1.0, native, original.data(), GEGL_AUTO_ROWSTRIDE,
                        GEGL_ABYSS_NONE);
        babl_process(babl_fish(native, planes), original.data(), samples.data(), long(pixels));
    }
    g_object_unref(buffer);
    if (eightBit) {
        doc.pixels = std::move(samples);
    } else {
        doc.pixels.resize(samples.size());
        const auto* in = reinterpret_cast<const uint16_t*>(samples.data());
        uint16_t* out = doc.Pixels16();
        for (size_t i = 0; i < pixels * 3; ++i) out[i] = hostlib::FileToHost16(in[i]);
    }

    // The block: an explicit file is only read; the state file is read and
    // written back after a successful run.
    const bool ownBlock = !paramsFile.empty() && mode == GIMP_RUN_NONINTERACTIVE;
    const std::string paramsPath = ownBlock ? paramsFile : hostlib::DefaultParamsPath(info.name);
    const auto block = hostlib::LoadParams(paramsPath, size_t(hostlib::kParameterBlockSize));
    if (ownBlock && !block) throw HostError(paramsPath + ": no such parameter block file");

    hostlib::PluginModule module(info);
    hostlib::FilterHost host(module);
    if (block) host.SetParameterBlock(*block);
    host.SetMonitorProfile(DisplayProfile());
    const bool withDialog = mode == GIMP_RUN_INTERACTIVE;
    if (withDialog) host.SetHostWindow(intptr_t(gimp_progress_get_window_handle()));

    gimp_progress_init(info.name.c_str());
    hostlib::RunOptions run;
    run.withDialog = withDialog;
    // Every update is a round trip to GIMP, and the module reports about
    // once per row and pass: only steps of at least 1/100 are passed on.
    double shown = -1;
    run.progress = [&shown](double fraction) {
        if (fraction - shown < 1.0 / 100 && fraction < 1 && fraction >= shown) return;
        shown = fraction;
        gimp_progress_update(fraction);
    };
    try {
        host.Filter(doc, run);
    } catch (const hostlib::Cancellation&) {
        throw Cancelled{};
    }
    if (!ownBlock)
        if (auto stored = host.ParameterBlock()) hostlib::SaveParams(paramsPath, *stored);

    // Back into the drawable's format; alpha (and anything else past the
    // colour components) keeps its original bytes.
    if (eightBit) {
        samples = std::move(doc.pixels);
    } else {
        samples.resize(doc.pixels.size());
        auto* out = reinterpret_cast<uint16_t*>(samples.data());
        const uint16_t* in = doc.Pixels16();
        for (size_t i = 0; i < pixels * 3; ++i) out[i] = hostlib::HostToFile16(in[i]);
    }
    std::vector<uint8_t> result;
    if (asPlanes) {
        result = std::move(samples);
    } else {
        result.resize(pixels * nativeBpp);
        babl_process(babl_fish(planes, native), samples.data(), result.data(), long(pixels));
        samples = {};
    }
    if (!onlyColour) {
        const size_t colourBytes = nativeBpp / size_t(babl_format_get_n_components(native)) * 3;
        for (size_t i = 0; i < pixels; ++i)
            std::memcpy(original.data() + i * nativeBpp, result.data() + i * nativeBpp,
                        colourBytes);
        result = std::move(original);
    }

    GeglBuffer* shadow = gimp_drawable_get_shadow_buffer(drawable);
    gegl_buffer_set(shadow, &whole, 0, native, result.data(), GEGL_AUTO_ROWSTRIDE);
    g_object_unref(shadow);
    gimp_drawable_merge_shadow(drawable, TRUE);
    gimp_drawable_update(drawable, 0, 0, width, height);
    gimp_progress_end();
}

void Run(const gchar* name, gint nparams, const GimpParam* param, gint* nreturnVals,
         GimpParam** returnVals) {
    static GimpParam values[2];
    static std::string message;
    *nreturnVals = 1;
    *returnVals = values;
    values[0].type = GIMP_PDB_STATUS;
    values[0].data.d_status = GIMP_PDB_SUCCESS;
    auto fail = [&](GimpPDBStatusType status, const std::string& text) {
        values[0].data.d_status = status;
        if (text.empty()) return;
        message = text;
        values[1].type = GIMP_PDB_STRING;
        values[1].data.d_string = const_cast<gchar*>(message.c_str());
        *nreturnVals = 2;
    };

    if (nparams < 3) return fail(GIMP_PDB_CALLING_ERROR, "run-mode, image and drawable are needed");
    const auto mode = GimpRunMode(param[0].data.d_int32);
    const gint32 image = param[1].data.d_image;
    const gint32 drawable = param[2].data.d_drawable;
    const std::string paramsFile =
        nparams > 3 && param[3].data.d_string ? param[3].data.d_string : "";

    StartGegl();
    std::optional<PluginInfo> info;
    for (auto& m : FindModules(false))
        if (velmora_gimp::ProcedureName(m.name) == name) info = m;
    if (!info)
        return fail(GIMP_PDB_CALLING_ERROR,
                    std::string(name) + ": its filter module is no longer installed");
    try {
        FilterDrawable(*info, mode, image, drawable, paramsFile);
        if (mode != GIMP_RUN_NONINTERACTIVE) gimp_displays_flush();
    } catch (const Cancelled&) {
        fail(GIMP_PDB_CANCEL, "");
    } catch (const HostError& e) {
        fail(GIMP_PDB_EXECUTION_ERROR, e.what());
    } catch (const std::bad_alloc&) {
        fail(GIMP_PDB_EXECUTION_ERROR, info->name + ": not enough memory for the layer");
    } catch (const std::exception& e) {
        fail(GIMP_PDB_EXECUTION_ERROR, info->name + ": " + e.what());
    }
}

const GimpPlugInInfo kPlugInInfo = {nullptr, nullptr, &Query, &Run};

}  // namespace

int main(int argc, char** argv) {
    return gimp_main(&kPlugInInfo, argc, argv);
}
