// ardv-cli convert IN OUT [--profile NAME] [--out-profile NAME]: writes any
// readable signal as a WAV file (with the annotation chunks of a WAV input)
// or through a format profile. The samples are copied file to file in pieces,
// so a file of any length converts in bounded memory.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "labels/notetiqs.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/infofile_io.h"
#include "signal/wavfile.h"
#include "signal/writable_target.h"
#include "signal/write_sound_file.h"
#include "spectral/analysable.h"

namespace ardv::cli {
namespace {

struct ConvertOptions {
  std::string in, out;
  std::optional<std::string> inProfile, outProfile;
};

int runConvert(const ConvertOptions& o) {
  const auto& inProfile = o.inProfile;
  const auto& outProfile = o.outProfile;
  infoFile in;
  if (!describeForReading(o.in, inProfile, in) || !analysableRate(in.nom, in.frequence, "conversion")) return 1;

  if (!isSeparateOutput(o.out, in.nom) || (outProfile && profileIndexByName(*outProfile) < 0)) return 1;
  infoFile out;
  out.nom = o.out;
  out.frequence = in.frequence;
  if (!isWavName(out.nom)) {
    const auto& name = outProfile ? outProfile : inProfile;
    if (!name) {
      message(out.nom + "\r\nis not written as a WAV file; give its format profile with --out-profile NAME.");
      return 1;
    }
    out.formatIndex = profileIndexByName(*name);
    if (out.formatIndex < 0) return 1;
  }
  if (!init_infoFile_write(out)) return 1;

  writeSoundFile writer(out);
  writer.setSource(in, in.depl, in.longueur, 0, 0);
  if (isWavName(in.nom)) {
    // A faulty chunk is reported; the marks read before the fault are carried.
    notetiqs phon, word;
    readnotetiqs(in.nom, phon, in.etiqdepl, in.etiqlongueur, in.sampleCount());
    readnotetiqs(in.nom, word, in.notedepl, in.notelongueur, in.sampleCount());
    for (const notetiq& mark : phon.items()) writer.addPhon(mark.limite, mark.text);
    for (const notetiq& mark : word.items()) writer.addWord(mark.limite, mark.text);
  }
  if (writer.flush() != 0) return 1;
  // A signal written to standard output (-o /dev/stdout) is not followed by the summary.
  struct stat written {}, standardOutput {};
  if (::stat(out.nom.c_str(), &written) == 0 && ::fstat(STDOUT_FILENO, &standardOutput) == 0 &&
      written.st_dev == standardOutput.st_dev && written.st_ino == standardOutput.st_ino)
    return 0;
  std::printf("%s: %lld samples at %g Hz\n", out.nom.c_str(), static_cast<long long>(in.sampleCount()),
              writer.destination().frequence);
  std::fflush(stdout);
  return 0;
}

}  // namespace

void addConvert(Commands& commands) {
  auto o = std::make_shared<ConvertOptions>();
  CLI::App* c = commands.add("convert", "write a signal as WAV (annotations carried) or through a profile",
                             [o] { return runConvert(*o); });
  c->add_option("IN", o->in, "the signal file")->required();
  c->add_option("OUT", o->out, "the file written (WAV, or through a profile)")->required();
  addProfileOption(c, o->inProfile);
  c->add_option("--out-profile", o->outProfile, "format profile of OUT when it is not a WAV name")->type_name("NAME");
}

}  // namespace ardv::cli
