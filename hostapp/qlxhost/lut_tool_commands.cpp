#include "lut_tool_commands.h"

namespace qlxhost::cli {

LutToolCommands::LutToolCommands(CLI::App& app) {
    CLI::App* probe = app.add_subcommand(
        "probe", "Print what the plugin maps one colour to, with its grid cell and tetrahedron");
    probe->add_option("LUT", probe_.lutFile, "the .cube or .3dl file")
        ->type_name("FILE")
        ->required();
    probe->add_option("R", probe_.red, "red: 0..255, or 0..1 when any value has a '.'")->required();
    probe->add_option("G", probe_.green, "green")->required();
    probe->add_option("B", probe_.blue, "blue")->required();
    probe->footer(
        "The colour goes through the plugin's own LUT loader and CPU application, so the result\n"
        "is the plugin's answer byte for byte. 0..1 values are rounded to the nearest 8-bit\n"
        "level first, as the plugin renders 8 bits per channel.\n"
        "Example: qlxhost probe grade.cube 200 100 50");
    commands_.push_back(probe);

    CLI::App* convert = app.add_subcommand(
        "convert", "Rewrite any .cube, .3dl or HALD CLUT as a .cube (or .3dl) the plugin loads");
    convert->add_option("IN", convert_.input, ".cube, .3dl (either may be .gz) or HALD .png/.tif")
        ->type_name("FILE")
        ->required();
    convert
        ->add_option("OUT", convert_.output,
                     "the .cube or .3dl to write (default: beside IN "
                     "as NAME.fixed.cube)")
        ->type_name("FILE");
    convert->add_flag("--overwrite", convert_.overwrite,
                      "replace OUT when it exists (IN itself when named as OUT)");
    convert->footer(
        "IN is read by its format's own rules: .cube DOMAIN_MIN/MAX, 1D tables and 1D shaper +\n"
        "3D files, sizes up to 256; .3dl shaper lines with any spacing, 10/12/16-bit output;\n"
        "gzip-compressed files; HALD CLUT images. Shapers, domains and 1D tables are baked into\n"
        "a 65-point grid and larger grids resampled tetrahedrally; a plain grid the plugin could\n"
        "read is copied value for value. The result is loaded by the plugin's own reader before\n"
        "it takes its name; what was read differently from the plugin's rules is printed.\n"
        "Exit status 1 with nothing written when IN cannot be understood or OUT exists.");
    commands_.push_back(convert);

    CLI::App* hald = app.add_subcommand(
        "hald", "Write a LUT as a HALD CLUT image: the identity HALD rendered through the plugin");
    hald->add_option("LUT", hald_.lutFile, "a .cube or .3dl file the plugin loads")
        ->type_name("FILE")
        ->required();
    hald->add_option("OUT", hald_.output, "the image to write (.png or .tif, 8 bits)")
        ->type_name("FILE")
        ->required();
    hald->add_option("--level", hald_.level, "HALD level L: L³ x L³ pixels, L² points per axis")
        ->type_name("2..16")
        ->capture_default_str();
    hald->footer(
        "Level 16 holds every 8-bit level on each axis (4096 x 4096 pixels). 'qlxhost convert'\n"
        "reads HALD images back. Exit status 1 with nothing written when OUT exists.");
    commands_.push_back(hald);

    CLI::App* look = app.add_subcommand(
        "look-folder", "Turn a LUT file into a look folder: .conf, filter.xml and the LUT");
    look->add_option("LUT", look_.lutFile, "any file 'qlxhost convert' reads")
        ->type_name("FILE")
        ->required();
    look->add_option("FOLDER", look_.folder, "the folder to create, inside a LUT folder")
        ->type_name("DIR")
        ->required();
    look->add_option("-n,--name", look_.name, "the look's name (default: the folder's)");
    look->footer(
        "The LUT is converted as by 'qlxhost convert'; the .conf gets a fresh GUID. Exit status 1\n"
        "with nothing written when FOLDER exists or the LUT cannot be read.");
    commands_.push_back(look);
}

int LutToolCommands::runParsed() const {
    if (commands_[0]->parsed()) return runProbe(probe_);
    if (commands_[1]->parsed()) return runConvert(convert_);
    if (commands_[2]->parsed()) return runHald(hald_);
    if (commands_[3]->parsed()) return runLookFolder(look_);
    return -1;
}

}  // namespace qlxhost::cli
