-- First Ardour process: a new session with one stereo track. The test signal
-- is bounced into a region that becomes the track's input, the plug-in goes
-- on the track, a program is selected and a few parameters are set through
-- Ardour, the track is bounced through the plug-in, and the session is saved.
dofile (os.getenv ("SORREL_SCRIPT_DIR") .. "/common.lua")

local dir = env ("SORREL_SESSION_DIR")
local name = env ("SORREL_SESSION_NAME")
local rate = tonumber (env ("SORREL_RATE", "48000"))
local input_samples = tonumber (env ("SORREL_INPUT_SAMPLES"))
local total_samples = tonumber (env ("SORREL_TOTAL_SAMPLES"))
local program = tonumber (env ("SORREL_PROGRAM", "-1"))

assert (create_session (dir, name, rate), "cannot create the session")
put ("rate", Session:nominal_sample_rate ())
put ("block", Session:get_block_size ())

local track = Session:new_audio_track (2, 2, nil, 1, "Sorrel",
	ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true):front ()
-- Nothing but the region may reach the plug-in.
track:input ():disconnect_all (nil)

local gen = ARDOUR.LuaAPI.new_luaproc (Session, "Sorrel Test Signal")
assert (not gen:isnil (), "the test signal script is missing")
track:add_processor_by_index (gen, 0, nil, true)
local input = bounce (track, gen, input_samples, "input")
track:remove_processor (gen, nil, true)
gen = nil

-- Region fades would change the first and last samples; the test wants the
-- file's samples unchanged.
local ar = input:to_audioregion ()
ar:set_fade_in_active (false)
ar:set_fade_out_active (false)
track:playlist ():add_region (input, Temporal.timepos_t (0), 1, false)
ar = nil
input = nil

-- LXVST or VST3 by name, or LV2 by URI.
local kind = env ("SORREL_PLUGIN_TYPE", "LXVST")
local proc = ARDOUR.LuaAPI.new_plugin (Session, env ("SORREL_PLUGIN"), ARDOUR.PluginType[kind], "")
assert (not proc:isnil (), "Ardour cannot instantiate the plug-in")
track:add_processor_by_index (proc, 0, nil, true)
local insert = proc:to_insert ()
local plug = insert:plugin (0)
put ("name", plug:name ())
put ("maker", plug:maker ())
put ("unique_id", plug:unique_id ())
put ("instances", insert:get_count ())
put ("inputs", insert:natural_input_streams ():n_audio ())
put ("outputs", insert:natural_output_streams ():n_audio ())
-- An LV2 plug-in's parameters are its ports; its names are checked through lilv.
if kind == "LXVST" or kind == "VST3" then
	for i = 0, plug:parameter_count () - 1 do
		put ("name." .. i, plug:parameter_label (i))
	end
end
local presets = plug:get_info ():get_presets (false)
-- A VST 3 plug-in's programs come from the instance's program list, not
-- from preset files: they are found by their URI.
local function program_preset (index)
	local uri = string.format ("VST3-P:%s:%04d", plug:unique_id (), index)
	local p = plug:preset_by_uri (uri)
	if p ~= nil and p.uri == uri then return p end
	return nil
end
if kind == "VST3" then
	local n = 0
	while program_preset (n) do n = n + 1 end
	put ("presets", n)
else
	put ("presets", presets:size ())
end

if program >= 0 then
	local suffix = string.format (":%04d", program)
	local chosen = nil
	for p in presets:iter () do
		if p.uri:sub (-#suffix) == suffix then chosen = p end
	end
	if not chosen and kind == "VST3" then chosen = program_preset (program) end
	assert (chosen, "no preset for program " .. program)
	put ("program_label", chosen.label)
	assert (plug:load_preset (chosen), "Ardour could not select the program")
end

for item in env ("SORREL_PARAMS", ""):gmatch ("[^,]+") do
	local index, value = item:match ("^(%d+)=(-?[%d.]+)$")
	assert (index, "bad parameter setting " .. item)
	assert (ARDOUR.LuaAPI.set_processor_param (proc, tonumber (index), tonumber (value)))
end
report_parameters (proc, "param.")

bounce (track, proc, total_samples, "output")
assert (Session:save_state ("", false, false, false, false, false) == 0, "saving failed")

-- Ardour deadlocks or crashes when Lua still holds session objects at close.
presets = nil program_preset = nil plug = nil insert = nil proc = nil track = nil
collectgarbage ()
finish ()
close_session ()
