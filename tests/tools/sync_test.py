#!/usr/bin/python3
# The sync harness's arithmetic on made-up traces and onsets: which beat belongs to which click,
# the sign of a picture ahead of the sound, clicks left unflagged, and the figures and bounds.
import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.dont_write_bytecode = True  # importing the harness must leave no cache in the source tree
sys.path.insert(0, str(ROOT / "bench" / "sync"))
import sync  # noqa: E402


def passes(flags_at, start=10.0, step=0.02, count=200):
    """A live trace of count passes presented every step from start, the analyzer flagging a
    beat in the passes whose present falls in one of the (from, to) spans of flags_at."""
    trace = []
    for i in range(count):
        present = start + i * step
        flagged = any(a <= present < b for a, b in flags_at)
        trace.append({"frame": i, "present": present,
                      "analyzers": [{"beats": [int(flagged)] + [0] * 5}]})
    return trace


class Matching(unittest.TestCase):
    def test_each_click_takes_the_first_beat_that_starts_in_its_window(self):
        # Clicks at 11.0, 12.0, 13.0: the first shown 40 ms late, the second 60 ms early (a
        # picture ahead of the sound), the third never.
        trace = passes([(11.04, 11.2), (11.94, 12.3)])
        starts, span = sync.beat_starts(trace)
        self.assertEqual(len(starts), 2)
        delays, missed = sync.match_clicks([11.0, 12.0, 13.0], starts, span)
        self.assertEqual([round(d) for d in delays], [40, -60])
        self.assertEqual(missed, 1)

        # One beat lit from the first click until after the second: the second is not shown.
        starts, span = sync.beat_starts(passes([(11.04, 12.05)]))
        delays, missed = sync.match_clicks([11.0, 12.0], starts, span)
        self.assertEqual(([round(d) for d in delays], missed), ([40], 1))

    def test_clicks_heard_while_no_analyzer_ran_are_left_out(self):
        trace = passes([(11.04, 11.1)])
        for entry in trace[:30]:  # the intro, before the player's analyzer runs
            entry["analyzers"] = []
        starts, span = sync.beat_starts(trace)
        self.assertAlmostEqual(span[0], 10.6)
        delays, missed = sync.match_clicks([10.5, 11.0, 13.9], starts, span)
        self.assertEqual((len(delays), missed), (1, 0))

    def test_a_trace_without_present_times_is_refused(self):
        trace = passes([])
        del trace[3]["present"]
        with self.assertRaises(sync.HarnessError):
            sync.beat_starts(trace)


class Figures(unittest.TestCase):
    def test_summary_and_bounds(self):
        delays = [float(d) for d in range(0, 100)]  # 0 to 99 ms
        figures = sync.summarize(delays)
        self.assertEqual(figures["clicks"], 100)
        self.assertAlmostEqual(figures["median"], 49.5)
        self.assertAlmostEqual(figures["p95"], 94.05)
        self.assertEqual((figures["min"], figures["max"]), (0.0, 99.0))
        self.assertEqual(sync.sync_line(figures),
                         "sync: 100 clicks, median 49.5 ms, p95 94.0 ms, min 0.0 ms, max 99.0 ms")
        self.assertEqual(sync.sync_faults(figures, 0), ["p95 94.0 ms beyond 90 ms"])
        early = sync.summarize([-6.0] + [20.0] * 59)
        self.assertEqual(sync.sync_faults(early, 2),
                         ["2 clicks heard but never flagged", "min -6.0 ms beyond -5 ms"])
        self.assertEqual(sync.sync_faults(sync.summarize([20.0] * 59), 0), ["only 59 clicks"])


class Comeback(unittest.TestCase):
    def test_clicks_after_a_lost_server_are_where_the_song_has_reached_and_none_is_missing(self):
        clicks = sync.fault_clicks()
        gaps = [b - a for a, b in zip(clicks, clicks[1:])]
        self.assertTrue(0.3 < min(gaps) and max(gaps) < 0.55, "gaps the listener tells apart")
        heard = [100.0 + c for c in clicks]
        offset, spread = sync.track_offset(heard[:8], clicks)
        self.assertAlmostEqual(offset, 100.0)
        self.assertAlmostEqual(spread, 0.0)
        # Sound back 40 ms early (the lost server's queue skipped), every click from 8 s on.
        back = [h - 0.04 for h in heard if h >= 108.0]
        self.assertEqual(sync.comeback_faults(clicks, offset, back, 109.0, 125.0), [])
        # Back a second late: the clicks due from 109 s to then are missing.
        late = [h for h in back if h >= 110.0]
        self.assertEqual(sync.comeback_faults(clicks, offset, late, 109.0, 125.0),
                         [f"{sum(109.0 <= h < 110.0 for h in heard)} clicks not heard, the first "
                          f"{min(h for h in heard if h >= 109.0) - 109.0:.2f} s after sound was "
                          "due back"])
        # Back at the wrong place in the song: off the track even by a whole gap, which a track
        # of even gaps would not tell from the right place.
        for shift in (0.25, gaps[20]):
            moved = [h + shift for h in back]
            faults = sync.comeback_faults(clicks, offset, moved, 109.0, 125.0)
            self.assertIn("away from where the song had reached", faults[0] if faults else "",
                          shift)

if __name__ == "__main__":
    unittest.main()
