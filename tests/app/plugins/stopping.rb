# Test plug-in for stopping plugdebug-cli. "hang" writes the interpreter's and a sleeping
# grandchild's process ids to the file PLUGDEBUG_TEST_PIDS names, then sleeps;
# "hang and end parent" also sends SIGTERM to the program that runs it; "lose folder"
# puts a file where the data folder was, so that the next call cannot write its bridge;
# "flood" prints more on standard error than is captured.
require 'fileutils'

module Vuro_plugin
  def run_process(request)
    answer(request['composition_string'], 'processing')
  end

  def run_callback(request)
    answer(request['candidate_string'], 'callback')
  end

  def answer(what, call)
    case what
    when 'hang' then hang
    when 'hang and end parent' then hang { Process.kill('TERM', Process.ppid) }
    when 'flood' then STDERR.write('e' * (65 << 20))
    when 'lose folder'
      folder = Dir.pwd
      Dir.chdir('/')
      FileUtils.rm_rf(folder)
      File.write(folder, 'not a folder')
    end
    print "#{call} output"
    STDERR.print "#{call} note"
    { 'candidate' => [{ 'hyoki' => what }] }
  end

  def hang
    grandchild = spawn('sleep', '600')
    pids = ENV.fetch('PLUGDEBUG_TEST_PIDS')
    File.write("#{pids}.part", "#{Process.pid} #{grandchild}\n")
    File.rename("#{pids}.part", pids)
    yield if block_given?
    sleep 600
  end
end
