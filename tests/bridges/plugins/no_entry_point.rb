module Vuro_plugin
  def run_preference(request); end
end
