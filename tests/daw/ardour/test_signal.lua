ardour {
	["type"]    = "dsp",
	name        = "Sorrel Test Signal",
	category    = "Utility",
	license     = "MIT",
	author      = "Sorrel",
	description = [[Stereo white noise, a different sequence on each channel,
for the Ardour host test. The test reads the samples back from the bounced
file, so the noise only has to be broadband, not reproducible.]]
}

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

local seeds = { 12345, 67891 }

-- Integer arithmetic keeps the generator exact; the level stays well below
-- full scale so that boosted bands do not clip.
function dsp_run (ins, outs, n_samples)
	for c = 1, 2 do
		local a = outs[c]:array ()
		local s = seeds[c]
		for i = 1, n_samples do
			s = (s * 1103515245 + 12345) % 2147483648
			a[i] = (s / 2147483648 - 0.5) * 0.5
		end
		seeds[c] = s
	end
end
