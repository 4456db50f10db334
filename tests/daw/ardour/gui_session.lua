-- A session for the editor test: one stereo track whose inputs are cut off
-- (the meters stay dark), the plug-in on it, saved as made. The test then
-- marks the plug-in's own editor as open in the session file.
dofile (os.getenv ("SORREL_SCRIPT_DIR") .. "/common.lua")

local dir = env ("SORREL_SESSION_DIR")
local name = env ("SORREL_SESSION_NAME")
local rate = tonumber (env ("SORREL_RATE", "48000"))

assert (create_session (dir, name, rate), "cannot create the session")
local track = Session:new_audio_track (2, 2, nil, 1, "Sorrel",
	ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true):front ()
track:input ():disconnect_all (nil)

-- LXVST or VST3 by name, or LV2 by URI.
local kind = env ("SORREL_PLUGIN_TYPE", "LXVST")
local proc = ARDOUR.LuaAPI.new_plugin (Session, env ("SORREL_PLUGIN"), ARDOUR.PluginType[kind], "")
assert (not proc:isnil (), "Ardour cannot instantiate the plug-in")
track:add_processor_by_index (proc, 0, nil, true)
put ("route", track:to_stateful ():id ():to_s ())
put ("processor", proc:to_stateful ():id ():to_s ())
assert (Session:save_state ("", false, false, false, false, false) == 0, "saving failed")

proc = nil track = nil
collectgarbage ()
finish ()
close_session ()
