-- Second Ardour process: loads the saved session, which restores the
-- plug-in from its saved state, reads the parameters back, bounces the track
-- again and saves a second snapshot for the driver to inspect.
dofile (os.getenv ("SORREL_SCRIPT_DIR") .. "/common.lua")

local dir = env ("SORREL_SESSION_DIR")
local name = env ("SORREL_SESSION_NAME")
local total_samples = tonumber (env ("SORREL_TOTAL_SAMPLES"))

assert (load_session (dir, name), "cannot load the session")
local track = the_track ()
local proc = first_plugin (track)
report_parameters (proc, "param.")
bounce (track, proc, total_samples, "reloaded")
assert (Session:save_state ("reloaded", false, false, false, false, false) == 0, "saving failed")

proc = nil track = nil
collectgarbage ()
finish ()
close_session ()
