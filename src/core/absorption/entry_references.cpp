// Playlist tracks and MIDI set-ups that follow the scores of the archive.
#include "core/absorption/entry_references.h"

#include "core/midi/midi_store.h"
#include "core/playlists/playlist_store.h"

namespace folio {
namespace {

std::vector<PlaylistTracksGone> tracksGoneIn(const std::vector<Playlist>& playlists,
                                             const EntryRenumbering& renumber) {
    std::vector<PlaylistTracksGone> gone;
    for (const Playlist& playlist : playlists) {
        std::vector<int> places = tracksGone(playlist.tracks, renumber);
        if (!places.empty())
            gone.push_back({playlist.name, std::move(places)});
    }
    return gone;
}

} // namespace

EntryReferences referencesGone(const Installation& installation, const EntryRenumbering& renumber) {
    EntryReferences references;
    PlaylistStore playlists(installation);
    if (playlists.read() == PlaylistFileState::Read)
        references.playlists = tracksGoneIn(playlists.playlists(), renumber);
    MidiStore midi;
    if (midi.load(installation) == MidiLoad::Loaded)
        references.midiEntries = midi.entriesGone(renumber);
    return references;
}

ReferencesRenumbered renumberReferences(const Installation& installation,
                                        const EntryRenumbering& renumber, const std::string& what) {
    ReferencesRenumbered done;
    auto notKept = [&](const KeepVersion& keep) {
        if (!keep.notKept.empty())
            done.versionsNotKept.push_back(keep.notKept);
    };
    auto failed = [&](const std::string& why) {
        done.error += (done.error.empty() ? "" : "\n") + why;
    };

    PlaylistStore playlists(installation);
    if (playlists.read() == PlaylistFileState::Unreadable) {
        failed("playlist.js cannot be read, so its tracks were not changed: " +
               playlists.readError());
    } else {
        const std::vector<PlaylistTracksGone> gone = tracksGoneIn(playlists.playlists(), renumber);
        KeepVersion keep;
        keep.what = what;
        const PlaylistWriteResult written = playlists.renumberTracks(renumber, &keep);
        if (written.outcome == PlaylistWrite::Replaced)
            done.gone.playlists = gone;
        else if (written.outcome != PlaylistWrite::NotFound)
            failed("playlist.js could not be rewritten, so its tracks were not changed: " +
                   (written.error.empty() ? playlists.readError() : written.error));
        notKept(keep);
    }

    MidiStore midi;
    const MidiLoad loaded = midi.load(installation);
    if (loaded == MidiLoad::Unreadable) {
        failed("midi.js cannot be read, so its set-ups were not changed: " + midi.loadError());
    } else if (loaded == MidiLoad::Loaded) {
        std::vector<int> gone = midi.entriesGone(renumber);
        KeepVersion keep;
        keep.what = what;
        const FileResult written = midi.saveRenumbered(installation, renumber, &keep);
        if (written.ok)
            done.gone.midiEntries = std::move(gone);
        else
            failed("midi.js could not be rewritten, so its set-ups were not changed: " +
                   written.error);
        notKept(keep);
    }
    return done;
}

} // namespace folio
