#!/usr/bin/python3
# Checks tools/equalizer_figure.py: the cells it counts are the equalizer's, it reads the player's
# analyzer samples out of a trace song by song, and its estimate from sound has the program's scale.
import json
import sys
import unittest
from pathlib import Path

import numpy as np

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
import equalizer_figure as ef  # noqa: E402


def trace_line(t, song, samples):
    """One pass of a trace: analyzers as (scene, sampleTime, spectrum)."""
    return json.dumps({"t": t, "player": {"currentSong": song},
                       "analyzers": [{"scene": scene, "sampleTime": time, "spectrum": spectrum}
                                     for scene, time, spectrum in samples]})


class Figure(unittest.TestCase):
    def test_cells_are_the_equalizers_truncated_and_capped_levels(self):
        spectrum = [0.17, 0.172, 1 / 70 * 0.99, 1 / 70 * 1.01, 5.0, 0.0] + [0.0] * 10 + [9.0]
        self.assertEqual(ef.column_cells(spectrum).tolist(), [11, 12, 0, 1, 12] + [0] * 11)
        figure = ef.figure([spectrum, [0.0] * 16])
        self.assertEqual((figure.samples, figure.mean), (2, 18.0))
        self.assertEqual(figure.column_max, [11, 12, 0, 1, 12] + [0] * 11)

    def test_a_song_is_quiet_below_24_cells_and_lively_when_it_meets_all_three_numbers(self):
        half = [[0.1] * 16] * 95 + [[0.0] * 16] * 5  # 7 cells a column, 112 in all, 95 % of the time
        self.assertTrue(ef.figure(half).lively)
        self.assertTrue(ef.figure([[1 / 70 * 1.01] * 16] * 100).quiet)  # 16 cells
        self.assertFalse(ef.figure([[0.1] * 15 + [0.05]] * 100).lively, "the top column is low")

    def test_trace_gives_each_new_player_sample_under_its_song(self):
        low, high = [0.1] * 16, [0.2] * 16
        lines = [trace_line(0.5, 0, [(5, 0.5, high)]),         # before the start: left out
                 trace_line(2.0, 0, [(4, 2.0, high), (5, 2.0, low)]),  # the intro's: left out
                 trace_line(2.02, 0, [(5, 2.0, low)]),          # the same sample again
                 trace_line(2.04, 1, [(5, 2.04, high)]),
                 trace_line(2.06, 0, [(5, 2.06, high)])]        # back to a song played: the end
        self.assertEqual(ef.player_spectra(lines, start=1.0), {0: [low], 1: [high]})

    def test_sound_estimate_reads_a_full_scale_sine_on_a_bin_as_one(self):
        mono = np.sin(2 * np.pi * 5 * np.arange(44100) / ef.FFT_FRAMES)
        spectra = ef.sound_spectra(mono)
        self.assertEqual(len(spectra), 44100 // (3 * 882))
        np.testing.assert_allclose(spectra[:, 4:7], [[0.5, 1.0, 0.5]] * len(spectra), atol=1e-9)


if __name__ == "__main__":
    unittest.main()
