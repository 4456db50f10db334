-- Shared by the Ardour session scripts: settings from the environment and a
-- key/value report that the test driver reads.
io.stdout:setvbuf ("no")

function env (name, default)
	local v = os.getenv (name)
	if v == nil or v == "" then
		if default == nil then error ("missing environment variable " .. name) end
		return default
	end
	return v
end

local report = assert (io.open (env ("SORREL_REPORT"), "w"))

function put (key, value)
	report:write (key, "\t", tostring (value), "\n")
	report:flush ()
end

function the_track ()
	return Session:route_by_name ("Sorrel"):to_track ()
end

function first_plugin (route)
	local proc = route:nth_plugin (0)
	assert (not proc:isnil (), "the track carries no plug-in")
	return proc
end

-- Every parameter as Ardour reads it back from the plug-in.
function report_parameters (proc, prefix)
	local plug = proc:to_insert ():plugin (0)
	put (prefix .. "count", plug:parameter_count ())
	for i = 0, plug:parameter_count () - 1 do
		local value = ARDOUR.LuaAPI.get_processor_param (proc, i)
		put (prefix .. i, string.format ("%.9g", value))
	end
end

-- Bounces the track through `proc` and names the files it wrote.
function bounce (track, proc, samples, name)
	local itt = ARDOUR.InterThreadInfo ()
	local region = track:bounce_range (0, samples, itt, proc, true, name)
	assert (not region:isnil (), "bounce " .. name .. " failed")
	local ar = region:to_audioregion ()
	for c = 0, ar:n_channels () - 1 do
		put (name .. "." .. c, ar:source (c):to_filesource ():path ())
	end
	return region
end

function finish ()
	put ("done", "1")
	report:close ()
end
