# Test plug-in that sets an output record separator when it is loaded.
$\ = "\n"

module Vuro_plugin
  def run_process(request)
    print 'mine'
    { 'candidate' => [{ 'hyoki' => 'x' }] }
  end
end
