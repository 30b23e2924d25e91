# The resources of the extension library come from one .rc file. On Windows the
# resource compiler links them into the DLL; elsewhere a generator turns the same file
# into the blocks our platform layer serves through FindResource and LoadResource.
function(pellacorm_add_resources target)
endfunction()
